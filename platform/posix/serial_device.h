// Serial devices on POSIX systems: a tty or pseudo-terminal driven through termios. Every
// backend that runs on a real machine (the windowed one, tools, benchmarks) opens its serial
// devices here.
#pragma once

#include <memory>
#include <string>

#include "platform/serial.h"

namespace platform::posix {

// Opens `path` for reading and writing, exclusively (a second opener, in this process or
// another, is refused as Busy), under the device's UUCP lock file (a port whose lock a live
// process holds is refused as Busy without being opened). Null on failure, with the reason
// in `error`.
std::unique_ptr<platform::SerialDevice> open_serial_device(const std::string& path, platform::SerialError& error);

}  // namespace platform::posix
