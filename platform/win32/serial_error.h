// Win32 system errors of serial devices as our own error kinds, in one place.
#pragma once

#include <cstdint>

#include "platform/serial.h"

namespace platform::win32 {

// GetLastError() -> SerialError.
SerialError map_serial_error(uint32_t win32_error);

}  // namespace platform::win32
