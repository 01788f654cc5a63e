// The serial port unit's line settings as the Win32 communications API takes them: the
// device control block, the five time-outs and the event mask.
#pragma once

#include <windows.h>

#include "platform/serial.h"

namespace platform::win32 {

// Changes the fields of `dcb` (as the driver reported it) that the settings decide, and turns
// off what would break the link whoever left it (zero bytes dropped, bytes replaced, reads
// refused after a line error, equal XON and XOFF characters); every other field keeps the
// driver's value.
void apply_line_settings(DCB& dcb, const LineSettings& settings);
// All five time-outs equal timeout_ms: a write of n bytes may take timeout * (n + 1) ms, and
// 0 means no time-outs at all.
COMMTIMEOUTS line_timeouts(const LineSettings& settings);
// Received bytes, modem-line changes, break, line errors, ring; the event character too when
// there is one.
DWORD line_event_mask(const LineSettings& settings);

}  // namespace platform::win32
