// Serial devices on Windows: COM ports through the Win32 communications API, with overlapped
// I/O. Every Windows backend, tool and test opens its serial devices here.
#pragma once

#include <memory>
#include <string>

#include "platform/serial.h"

namespace platform::win32 {

// Opens `path` (e.g. \\.\COM3) for reading and writing, exclusively: a second opener, in
// this process or another, is refused as Busy. Null on failure, with the reason in `error`
// and said on standard error.
std::unique_ptr<platform::SerialDevice> open_serial_device(const std::string& path, platform::SerialError& error);

class CommApi;
// The same through `os`'s calls instead of Windows' own (a model of the driver, in tests).
std::unique_ptr<platform::SerialDevice> open_serial_device_on(CommApi& os, const std::string& path,
                                                              platform::SerialError& error);

}  // namespace platform::win32
