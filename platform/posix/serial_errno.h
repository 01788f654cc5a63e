// The one place where the system's error numbers for a serial device become our error kinds.
#pragma once

#include "platform/serial.h"

namespace platform::posix {

// `opened`: the error comes from a device we already hold. Then "no such device" and an
// input/output error mean it went away (an adapter unplugged, the far end of a
// pseudo-terminal closed); while opening they mean there is no such device.
SerialError serial_error_from_errno(int error, bool opened);

}  // namespace platform::posix
