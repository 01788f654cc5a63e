// How a parent's stop request reaches a child process on Windows, where there are no signals
// to send: two named auto-reset events per child (interrupt, terminate), whose common name
// the child finds in its environment. A child started without it takes only its console's
// own Ctrl+C and close events.
#pragma once

#include <string>

namespace platform::win32 {

inline constexpr const wchar_t* kStopEventVariable = L"DTU_SETUP_STOP_EVENTS";

inline std::wstring interrupt_event_name(const std::wstring& base) { return base + L".interrupt"; }
inline std::wstring terminate_event_name(const std::wstring& base) { return base + L".terminate"; }

}  // namespace platform::win32
