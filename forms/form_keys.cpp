// The form's keyboard: Tab and Shift+Tab walk the tab stops, Enter clicks the default
// button or moves on, Esc asks the form to close. A key the focused unit claims is left
// to it.
#include <algorithm>
#include <tuple>

#include "forms/button.h"
#include "forms/form_runtime.h"
#include "forms/form_window.h"
#include "platform/backend.h"

namespace forms {
namespace {

struct Stop {
  uint32_t tab_order;
  size_t index;
  platform::Handle window;
  bool operator<(const Stop& o) const { return std::tie(tab_order, index) < std::tie(o.tab_order, o.index); }
};

// The tab stops that can take the focus now (enabled and visible), in tab order.
std::vector<Stop> tab_stops(FormSlot& f) {
  auto& be = platform::backend();
  std::vector<Stop> stops;
  for (size_t i = 1; i < f.units.size(); ++i) {
    UnitSlot& u = f.units[i];
    const platform::Handle w = u.live_window();
    const rt::UnitTypeRecord* type = FormRuntime::type_of(u);
    if (!w || !type || (type->flags & rt::kTypeNoWindow) || !(u.state_flags & kStateTabStop)) continue;
    if (be.enabled(w) && be.visible(w)) stops.push_back({u.record->tab_order, i, w});
  }
  std::sort(stops.begin(), stops.end());
  return stops;
}

Button* default_button(FormSlot& f) {
  for (size_t i = 1; i < f.units.size(); ++i) {
    auto* b = dynamic_cast<Button*>(f.units[i].object.get());
    if (b && b->is_default() && f.units[i].live_window() && platform::backend().enabled(b->window())) return b;
  }
  return nullptr;
}

}  // namespace

void FormRuntime::move_focus(uint32_t form_id, uint32_t from_unit_id, bool backwards) {
  FormSlot* f = find_form(form_id);
  if (!f) return;
  const std::vector<Stop> stops = tab_stops(*f);
  if (stops.empty()) return;
  UnitSlot* from = f->find(from_unit_id);
  size_t target = backwards ? stops.size() - 1 : 0;
  if (from && from != &f->units[0]) {
    // The position of the unit among the stops, also when it is not a stop itself.
    const Stop here{from->record->tab_order, static_cast<size_t>(from - f->units.data()), 0};
    if (backwards) {
      auto it = std::lower_bound(stops.begin(), stops.end(), here);
      target = it == stops.begin() ? stops.size() - 1 : static_cast<size_t>(it - stops.begin()) - 1;
    } else {
      auto it = std::upper_bound(stops.begin(), stops.end(), here);
      target = it == stops.end() ? 0 : static_cast<size_t>(it - stops.begin());
    }
  }
  platform::backend().set_focus(stops[target].window);
}

bool FormRuntime::handle_key(uint32_t form_id, uint32_t unit_id, platform::KeyPress key) {
  FormSlot* f = find_form(form_id);
  if (!f || !f->window()) return false;
  auto* frame = dynamic_cast<FormWindow*>(f->units[0].object.get());
  UnitSlot* focused = f->find(unit_id);
  if (!frame || !focused) return false;
  if (focused->object && focused->object->claims_key(key)) return false;
  if (key.ctrl || key.alt) return false;
  switch (key.key) {
    case platform::Key::Tab:
      move_focus(form_id, unit_id, key.shift);
      return true;
    case platform::Key::Enter: {
      if (key.shift) return false;
      if (auto* b = dynamic_cast<Button*>(focused->object.get()); b && b->is_default()) {
        b->click();
        return true;
      }
      if (frame->options().enter_moves_focus) {
        move_focus(form_id, unit_id, false);
        return true;
      }
      if (Button* b = default_button(*f)) {
        b->click();
        return true;
      }
      return false;
    }
    case platform::Key::Escape:
      if (key.shift || !frame->options().esc_closes) return false;
      request_close(form_id);
      return true;
    default:
      // F1 would open the form's help file; this system ships none.
      return false;
  }
}

void FormRuntime::request_close(uint32_t form_id) {
  FormSlot* f = find_form(form_id);
  if (!f || !f->window()) return;
  rt::EventRecord rec;
  rec.form_id = form_id;
  rec.unit_id = kFormOwnUnitId;
  rec.event_index = form_event::kCloseRequested;
  raise_event(rec);
  if (rec.handled && rec.result == 0) return;
  if (platform::Handle w = f->window()) platform::backend().destroy(w);
}

}  // namespace forms
