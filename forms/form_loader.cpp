// Building a form from its template: the frame first, then the units in reverse template
// order, placed into their containers, ordered by tab order and shown; then the form's
// created, moved and resized events. Nothing produced while building reaches a handler.
#include <algorithm>
#include <map>

#include "forms/form_runtime.h"
#include "forms/form_window.h"
#include "platform/backend.h"
#include "runtime/core_services.h"

namespace forms {
namespace {

constexpr int kFirstControlId = 100, kControlIdStep = 10;

bool has_window(const rt::UnitTypeRecord* type) { return type && !(type->flags & rt::kTypeNoWindow); }

bool create_unit(FormRuntime& owner, UnitSlot& u, uint32_t form_id, platform::Handle parent, int control_id) {
  const rt::UnitTypeRecord* type = FormRuntime::type_of(u);
  const auto* impl = type ? static_cast<const UnitTypeImpl*>(type->impl) : nullptr;
  if (!impl || !impl->create) return false;
  CreateContext c;
  c.owner = &owner;
  c.form_id = form_id;
  c.unit_id = u.id();
  c.record = u.record;
  c.type_data = u.record->type_data;
  c.parent = parent;
  c.geometry = u.geometry;
  c.disabled = u.state_flags & kStateDisabled;
  c.tab_stop = u.state_flags & kStateTabStop;
  c.control_id = control_id;
  u.object = impl->create(c);
  return u.object != nullptr;
}

}  // namespace

bool FormRuntime::load_form(uint32_t form_id) {
  FormSlot* f = find_form(form_id);
  if (!f) return false;
  auto& backend = platform::backend();
  if (platform::Handle w = f->window()) {
    backend.show_frame(w);
    return true;
  }
  rt::process_pending_messages();
  rt::raise_suppression();
  f->building = true;
  const bool built = build_form(*f);
  rt::process_pending_messages();
  f->building = false;
  rt::lower_suppression();
  if (!built) return false;

  raise_form_events(*f);
  const platform::Handle w = f->window();
  if (!w) return true;
  rt::raise_suppression();
  backend.show_frame(w);
  rt::lower_suppression();
  const platform::Handle focus = backend.focus();
  for (UnitSlot& u : f->units) {
    if (!focus || u.live_window() != focus) continue;
    rt::EventRecord rec;
    rec.form_id = form_id;
    rec.unit_id = u.id();
    rec.event_index = rt::kEventFocusGained;
    raise_event(rec);
    break;
  }
  return true;
}

bool FormRuntime::build_form(FormSlot& f) {
  if (!create_units(f)) {
    destroy_form(f);
    return false;
  }
  place_units(f);
  return true;
}

bool FormRuntime::create_units(FormSlot& f) {
  if (!create_unit(*this, f.units[0], f.id(), 0, 0) || !f.window()) return false;
  const platform::Handle frame = f.window();
  int control_id = kFirstControlId;
  for (size_t i = f.units.size(); i-- > 1;) {
    if (!create_unit(*this, f.units[i], f.id(), frame, control_id)) return false;
    control_id += kControlIdStep;
  }
  return true;
}

// Into containers, keyboard order by tab order within each parent, then shown.
void FormRuntime::place_units(FormSlot& f) {
  auto& backend = platform::backend();
  std::map<platform::Handle, std::vector<std::pair<uint32_t, platform::Handle>>> by_parent;
  const platform::Handle frame = f.window();
  for (size_t i = 1; i < f.units.size(); ++i) {
    UnitSlot& u = f.units[i];
    const platform::Handle w = u.live_window();
    if (!w || !has_window(type_of(u))) continue;
    platform::Handle parent = frame;
    if (UnitSlot* c = u.record->container_id ? f.find(u.record->container_id) : nullptr; c && c != &u) {
      if (platform::Handle cw = c->live_window(); cw && cw != frame) {
        backend.set_parent(w, cw);
        backend.set_geometry(w, u.geometry);
        parent = cw;
      }
    }
    by_parent[parent].push_back({u.record->tab_order, w});
  }
  for (auto& [parent, children] : by_parent) {
    std::stable_sort(children.begin(), children.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<platform::Handle> order;
    for (const auto& c : children) order.push_back(c.second);
    backend.set_tab_order(parent, order);
  }
  for (size_t i = 1; i < f.units.size(); ++i) {
    UnitSlot& u = f.units[i];
    if ((u.state_flags & kStateVisible) && has_window(type_of(u)))
      if (platform::Handle w = u.live_window()) backend.set_visible(w, true);
  }
}

// Created, moved, resized: each only while the form window still exists.
void FormRuntime::raise_form_events(FormSlot& f) {
  for (int32_t event : {form_event::kCreated, form_event::kMoved, form_event::kResized}) {
    if (!f.window()) return;
    rt::EventRecord rec;
    rec.form_id = f.id();
    rec.unit_id = kFormOwnUnitId;
    rec.event_index = event;
    raise_event(rec);
  }
}

// Tears a partly built form down: the frame takes its children with it; whatever is left
// (windows created elsewhere, objects without a window) goes too.
void FormRuntime::destroy_form(FormSlot& f) {
  if (platform::Handle w = f.window()) platform::backend().destroy(w);
  form_gone(f);
}

}  // namespace forms
