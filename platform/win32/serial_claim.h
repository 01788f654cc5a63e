// The name of the mutex a program of ours holds while it has a COM port open: see
// open_serial_device. A port listing looks for it to tell "held by another program".
#pragma once

#include <string>

namespace platform::win32 {

// For a device path such as \\.\COM3 (any letter case): Local\dtu-setup.serial.COM3.
std::wstring port_claim_name(const std::wstring& device);

}  // namespace platform::win32
