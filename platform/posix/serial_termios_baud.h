// Line speeds that have no Bxxx constant, set through the kernel's termios2 interface. Kept
// in a translation unit of its own because the kernel's termios definitions clash with the
// C library's.
#pragma once

#include <cstdint>

namespace platform::posix {

// Sets input and output speed of `fd` to `baud` bits per second exactly; false when the
// driver refuses, with errno as the failed call left it.
bool set_custom_baud(int fd, uint32_t baud);

}  // namespace platform::posix
