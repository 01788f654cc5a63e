// Applies the serial port unit's line settings to a tty through termios.
#pragma once

#include "platform/serial.h"

namespace platform::posix {

// Raw mode plus speed, character format, parity, flow control and the RTS/DTR lines.
// Unsupported (nothing changed) when the driver rejects the character format or speed;
// Gone when the device went away meanwhile.
SerialError apply_line_settings(int fd, const LineSettings& settings);

}  // namespace platform::posix
