// The Win32 process services a Windows backend needs beyond platform/process.h: the tick
// counter and ending the process.
#pragma once

#include <cstdint>

namespace platform::win32 {

// Milliseconds since Windows started, wrapping at 2^32.
uint32_t tick_count();
// Flushes the C streams and ends the process with `code`; no static destructors run, as
// with any Windows program ended by ExitProcess.
[[noreturn]] void exit_process(int code);

}  // namespace platform::win32
