// The windowed backend of this build (Qt on Linux, Win32 on Windows) as the whole-tool
// benchmarks use it: one implementation per backend, so each benchmark body is one source
// for both. The user's side: clicks, message boxes answered, dispatching while waiting.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/backend.h"

namespace bench_window {

// Appended to every figure's name: "" on Linux, "_wine" for the Windows build under Wine.
extern const char* const kFigureSuffix;

// Creates the windowed backend (Qt draws offscreen, as bench/run runs it) and makes it the
// current one. Call once.
platform::Backend& open_backend();

// From now on every modal message box is recorded (text as UTF-8) and answered with OK.
void answer_message_boxes();
const std::vector<std::string>& messages();
inline std::string last_message() { return messages().empty() ? "" : messages().back(); }

// A click on the push button; returns when the click's handler has returned.
void click(platform::Handle button);

// Dispatches until `done` holds or `budget_ms` of real time have passed.
bool run_until(const std::function<bool()>& done, int budget_ms);

// Dispatches until the top-level window holding `window` is on the screen (and, on Win32,
// painted with nothing left to do).
bool wait_until_shown(platform::Handle window, int budget_ms);

// The smallest comparable program, in this process: a plain top-level window of the given
// client size with one short Chinese caption, shown; true once it is on the screen.
bool show_plain_window(int width, int height, int budget_ms);

// Processor time of the whole process so far, in seconds.
double process_cpu_seconds();

}  // namespace bench_window
