// Drives a backend from the user's side for the conformance suite: key presses, typing and
// dispatching for a while. One implementation per backend; the suite sees only this.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/backend.h"

namespace conformance {

class Driver {
 public:
  virtual ~Driver() = default;
  virtual platform::Backend& backend() = 0;
  // A key pressed while `focus` has the keyboard focus.
  virtual void press_key(platform::Handle focus, platform::Key key, bool shift) = 0;
  // Characters typed one by one into an edit box or a combo box's field.
  virtual void type_text(platform::Handle window, const std::string& gbk) = 0;
  // Item `index` picked from a combo box's list.
  virtual void choose_item(platform::Handle combo, int index) = 0;
  // True when the edit box's caret is inside its visible area.
  virtual bool caret_in_view(platform::Handle edit) = 0;
  // Dispatches until `done` holds or about `budget_ms` have passed (virtual time for the
  // headless backend, real time for the windowed ones, which this default serves: it waits
  // on the backend's own clock). Returns done().
  virtual bool run_until(const std::function<bool()>& done, uint32_t budget_ms) {
    platform::Backend& b = backend();
    const uint32_t start = b.tick_count();
    for (;;) {
      b.process_pending();
      if (done()) return true;
      const uint32_t spent = b.tick_count() - start;
      if (spent >= budget_ms) return false;
      b.wait(static_cast<int>(budget_ms - spent));
    }
  }
  // Dispatches for `ms` regardless.
  void run_for(uint32_t ms) {
    run_until([] { return false; }, ms);
  }
};

// The windowed backend of this build (Qt on Linux, Win32 on Windows) and its name.
std::unique_ptr<Driver> make_windowed_driver();
extern const char* const kWindowedDriverName;

}  // namespace conformance
