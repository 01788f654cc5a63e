// Win32 system errors of serial devices as our own error kinds, in one place.
#pragma once

#include <cstdint>
#include <string>

#include "platform/serial.h"

namespace platform::win32 {

// GetLastError() -> SerialError.
SerialError map_serial_error(uint32_t win32_error);
// Tells the technician on standard error what to do about a device that cannot be opened.
void explain_open_failure(const std::string& path, SerialError error);

}  // namespace platform::win32
