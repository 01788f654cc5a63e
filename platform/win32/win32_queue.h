// The message that wakes the UI thread for posted messages, sent to the hidden window.
#pragma once

#include <windows.h>

namespace platform::win32 {

inline constexpr UINT kWakeMessage = WM_APP + 0x44;

}  // namespace platform::win32
