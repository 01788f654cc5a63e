// A user at the real (Qt) window, for end-to-end tests and benchmarks of the whole tool:
// clicks through the widgets' own mouse events, answers every message box with OK and
// remembers its text, dispatches while waiting, and takes screenshots.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/qt/qt_backend.h"

namespace qt_user {

// From now on every modal message box is recorded (text as UTF-8) and accepted at once.
void answer_message_boxes();
const std::vector<std::string>& messages();

// A left click in the middle of the widget; returns when the click's handler has returned.
void click(platform::qt::QtBackend& backend, platform::Handle window);

// Clicks into the field of `window`, selects all its text and types `utf8` over it, key by
// key, as a keyboard would.
void type_over(platform::qt::QtBackend& backend, platform::Handle window, const std::string& utf8);

// Dispatches events until `done` holds or `budget_ms` of real time have passed.
bool run_until(const std::function<bool()>& done, int budget_ms);

// Saves a picture of the top-level window holding `window`; false when it cannot.
bool screenshot(platform::qt::QtBackend& backend, platform::Handle window, const std::string& png_path);

// Dispatches until the top-level window holding `window` is on the screen (exposed).
bool wait_until_shown(platform::qt::QtBackend& backend, platform::Handle window, int budget_ms);

// The smallest comparable program: a plain top-level window of the given client size with
// one short Chinese caption, shown; returns when it is on the screen. Creates the
// application object if needed.
bool show_plain_window(int width, int height, int budget_ms);

}  // namespace qt_user
