// The registry side of the form runtime: templates in and out, unit lookup, teardown
// reports and idle offers.
#include "forms/form_runtime.h"

#include <algorithm>

#include "dtu_forms_messages.h"
#include "forms/edit_box.h"
#include "platform/backend.h"
#include "runtime/core_services.h"

namespace forms {

platform::Handle UnitSlot::live_window() const {
  if (!object) return 0;
  platform::Handle w = object->window();
  return w && platform::backend().exists(w) ? w : 0;
}

UnitSlot* FormSlot::find(uint32_t unit_id) {
  if (unit_id == 0 || unit_id == kFormOwnUnitId) return &units[0];
  auto it = by_id.find(unit_id);
  return it == by_id.end() ? nullptr : &units[it->second];
}

// Never destroyed: unit objects may outlive the program's last form until the process
// ends, and must not be torn down after the window router and the backend are gone.
FormRuntime& form_runtime() {
  static FormRuntime* instance = new FormRuntime;
  return *instance;
}

const rt::UnitTypeRecord* FormRuntime::type_of(const UnitSlot& unit) { return rt::type_record(unit.record->data_type); }

bool FormRuntime::load_templates(const uint8_t* segment, size_t size, const void* code_base) {
  free_templates();
  retired_.clear();
  retired_templates_.clear();
  std::vector<Form> loaded;
  if (!segment || !load_template_segment({segment, size}, static_cast<const rt::CodeBase*>(code_base), loaded))
    return false;
  if (std::any_of(loaded.begin(), loaded.end(), [](const Form& f) { return f.units.empty(); })) return false;
  templates_ = std::move(loaded);
  for (Form& f : templates_) {
    FormSlot slot;
    slot.form = &f;
    for (const UnitRecord& r : f.units) {
      UnitSlot u;
      u.record = &r;
      u.geometry = {r.left, r.top, r.width, r.height};
      u.tag = r.tag;
      u.state_flags = r.state_flags;
      u.mouse_pointer = r.mouse_pointer;
      slot.by_id.emplace(r.id, slot.units.size());
      slot.units.push_back(std::move(u));
    }
    forms_.push_back(std::move(slot));
  }
  return true;
}

void FormRuntime::free_templates() {
  quiet_ = true;
  rt::raise_suppression();
  for (FormSlot& f : forms_)
    if (platform::Handle w = f.window()) platform::backend().destroy(w);
  rt::lower_suppression();
  quiet_ = false;
  for (FormSlot& f : forms_)
    for (UnitSlot& u : f.units)
      if (u.object) retired_.push_back(std::move(u.object));
  forms_.clear();
  for (Form& t : templates_) retired_templates_.push_back(std::move(t));
  templates_.clear();
  idle_finished_.clear();
  current_source_ = {0, 0};
}

FormSlot* FormRuntime::find_form(uint32_t form_id) {
  for (FormSlot& f : forms_)
    if (f.id() == form_id) return &f;
  return nullptr;
}

Unit* FormRuntime::unit_object(uint32_t form_id, uint32_t unit_id) {
  FormSlot* f = find_form(form_id);
  UnitSlot* u = f ? f->find(unit_id) : nullptr;
  return u && u->live_window() ? u->object.get() : nullptr;
}

bool FormRuntime::any_form_alive() const {
  return std::any_of(forms_.begin(), forms_.end(), [](const FormSlot& f) { return f.window() != 0; });
}

rt::UnitWindow FormRuntime::unit_window(uint32_t form_id, uint32_t unit_id, bool strict) {
  FormSlot* f = find_form(form_id);
  UnitSlot* u = f ? f->find(unit_id) : nullptr;
  platform::Handle w = u ? u->live_window() : 0;
  if (!w) {
    if (strict) rt::runtime_error(msg::text_at(msg::unit_missing));
    return {};
  }
  return {w, type_of(*u)};
}

void FormRuntime::append_text(uint32_t form_id, uint32_t unit_id, std::string_view gbk) {
  unit_window(form_id, unit_id, /*strict=*/true);
  if (auto* edit = dynamic_cast<EditBox*>(unit_object(form_id, unit_id))) edit->append(gbk);
}

// A unit's window is gone: its object is retired (it may still be on the call stack) and
// its slot cleared. The form's own unit stands for the whole form.
void FormRuntime::unit_destroyed(uint32_t form_id, uint32_t unit_id) {
  FormSlot* f = find_form(form_id);
  if (!f) return;
  if (unit_id == 0 || unit_id == kFormOwnUnitId) {
    form_gone(*f);
    return;
  }
  UnitSlot* u = f->find(unit_id);
  if (u && u->object) retired_.push_back(std::move(u->object));
}

// The form window is gone: every unit still holding a window loses it, the slots are
// cleared, and the loop ends once no form is left alive.
void FormRuntime::form_gone(FormSlot& f) {
  for (size_t i = f.units.size(); i-- > 1;) {
    UnitSlot& u = f.units[i];
    if (platform::Handle w = u.live_window()) platform::backend().destroy(w);
    if (u.object) retired_.push_back(std::move(u.object));
  }
  if (f.units[0].object) retired_.push_back(std::move(f.units[0].object));
  std::erase(idle_finished_, f.id());
  if (!quiet_ && !f.building && !any_form_alive()) platform::backend().post_quit(0);
}

bool FormRuntime::offer_idle(uint32_t elapsed_ms, bool first_of_period) {
  if (first_of_period) idle_finished_.clear();
  bool wants_more = false;
  for (FormSlot& f : forms_) {
    if (!f.window() || std::find(idle_finished_.begin(), idle_finished_.end(), f.id()) != idle_finished_.end())
      continue;
    rt::EventRecord rec;
    rec.form_id = f.id();
    rec.event_index = 7;
    rec.arg_count = 1;
    rec.args[0] = static_cast<int32_t>(elapsed_ms);
    raise_event(rec);
    if (rec.handled && rec.result) wants_more = true;
    else idle_finished_.push_back(f.id());
  }
  return wants_more;
}

}  // namespace forms

void forms::register_form_runtime() { rt::set_form_host(&form_runtime()); }
