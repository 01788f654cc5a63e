#include "main/cli/tool_driver.h"

#include <algorithm>

#include "app/runtime_calls.h"
#include "runtime/form_host.h"

namespace cli {

platform::Handle ToolDriver::window(app::UnitId u) {
  return rt::form_host().unit_window(app::kMainForm, u.id, false).window;
}

void ToolDriver::watch(std::function<void(const std::string&)> on_status,
                       std::function<void(const std::string&)> on_message) {
  backend_.set_text_observer([this, on_status = std::move(on_status)](platform::Handle w, const std::string& text) {
    if (rt::form_host_registered() && w == window(app::unit::kStatusLine)) on_status(text);
  });
  backend_.set_message_box_answer([on_message = std::move(on_message)](const auto& box) {
    on_message(box.text);
    return platform::kIdOk;
  });
}

std::string ToolDriver::field(app::UnitId u) {
  return std::string(app::read_text(u, app::value_property(u)).view());
}

void ToolDriver::set_field(app::UnitId u, const std::string& gbk) {
  app::write_text(u, app::value_property(u), gbk.c_str());
}

bool ToolDriver::pick_item(app::UnitId combo, const std::string& gbk) {
  const platform::Handle w = window(combo);
  for (int i = 0; i < backend_.combo_count(w); ++i) {
    if (backend_.combo_item(w, i) != gbk) continue;
    backend_.combo_set_current(w, i);
    return true;
  }
  return false;
}

void ToolDriver::leave_field(app::UnitId u) {
  backend_.set_focus(window(u));
  backend_.set_focus(window(app::unit::kForm));
}

void ToolDriver::click(app::UnitId button) { backend_.click(window(button)); }

void ToolDriver::run_until(const std::function<bool()>& done, uint32_t ms) {
  const uint32_t start = backend_.now();
  while (!done()) {
    const uint32_t spent = backend_.now() - start;
    if (spent >= ms) return;
    backend_.run_for(std::min<uint32_t>(ms - spent, 100));
  }
}

}  // namespace cli
