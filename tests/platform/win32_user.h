// A user at the tool's Win32 window, for benchmarks and tests that drive the whole tool in
// its own process under Wine: clicks through the control's own click, message boxes answered
// with OK (their texts remembered), waiting until a window is on the screen and the thread
// idle, the smallest comparable window program, and starting programs of the machine Wine
// runs on (the simulated DTU). Windows' headers stay behind this header.
#pragma once

#include <string>
#include <vector>

namespace win32_user {

// From now on every message box this thread opens is recorded (text as UTF-8) and answered
// with OK within about 20 ms.
void answer_message_boxes();
const std::vector<std::string>& messages();

// Clicks the button `hwnd` as the mouse would; returns when the click's handler has returned.
void click(void* hwnd);

// Whether the top-level window holding `hwnd` is visible and the thread has nothing left to
// do: no message waiting, no window waiting to be painted.
bool shown_and_idle(void* hwnd);

// A plain top-level window, client area `width` x `height`, with one short Chinese caption
// (so it pays for the font set-up any window with text pays for), shown and dispatched until
// it is shown and idle; false when that takes longer than `budget_ms`.
bool show_plain_window(int width, int height, int budget_ms);

// Processor time of the whole process so far, in seconds.
double process_cpu_seconds();

// Runs a program of the host system with `argv` (host paths, UTF-8; Wine starts it as a
// native process, which a Windows process cannot wait for) and waits up to `budget_ms` for
// the host file `ready_path` to appear (removed first: one left from before does not count).
bool run_host_program(const std::vector<std::string>& argv, const std::string& ready_path, int budget_ms);

}  // namespace win32_user
