// The tool's main form driven as a technician drives it, on the windowless backend: choose
// port and baud rate, put values into fields, leave a field (which runs its check), press
// buttons, wait; and read the fields back. What the tool made of it is read from its own
// state (app/tool_state.h), not from what the window shows. UI thread only, while the
// program runs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/units.h"
#include "platform/headless/headless_backend.h"

namespace cli {

class ToolDriver {
 public:
  explicit ToolDriver(platform::headless::HeadlessBackend& backend) : backend_(backend) {}

  // Every status line text and every message box, as they appear (GBK), to be shown; each
  // box is answered OK.
  void watch(std::function<void(const std::string&)> on_status, std::function<void(const std::string&)> on_message);

  std::string field(app::UnitId u);                     // the value the handlers see (GBK)
  void set_field(app::UnitId u, const std::string& gbk);  // as the tool's own loading does
  // Picks the combo box item with this text from its list; false when it has none.
  bool pick_item(app::UnitId combo, const std::string& gbk);
  // Moves the focus into the field and on to the form, which runs the field's check.
  void leave_field(app::UnitId u);
  void click(app::UnitId button);

  // Keeps the program running (timers, received bytes, handlers) until `done` or `ms` pass.
  void run_until(const std::function<bool()>& done, uint32_t ms);

 private:
  platform::Handle window(app::UnitId u);

  platform::headless::HeadlessBackend& backend_;
};

}  // namespace cli
