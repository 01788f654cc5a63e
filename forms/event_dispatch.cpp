// Event dispatch: from a unit's event record to the handler bound in the template.
#include "dtu_forms_messages.h"
#include "forms/form_runtime.h"
#include "runtime/core_services.h"

namespace forms {
namespace {

// Follows the redirect chain while it names a unit of the same data type. A chain that
// loops is cut after as many steps as the form has units.
UnitSlot& event_owner(FormSlot& form, UnitSlot& unit) {
  UnitSlot* at = &unit;
  for (size_t steps = 0; steps < form.units.size() && at->record->redirect_id != 0; ++steps) {
    UnitSlot* next = form.find(at->record->redirect_id);
    if (!next || next->record->data_type != unit.record->data_type) break;
    at = next;
  }
  return *at;
}

bool can_raise_events(const rt::UnitTypeRecord* type) {
  return type && (type->flags & (rt::kTypeEvents1 | rt::kTypeEvents2)) != 0;
}

}  // namespace

int32_t FormRuntime::raise_event(rt::EventRecord& record) {
  if (rt::events_suppressed()) return 0;
  FormSlot* form = find_form(record.form_id);
  if (!form) rt::runtime_error(msg::text_at(msg::event_form_missing));
  UnitSlot* unit = form->find(record.unit_id);
  if (!unit) rt::runtime_error(msg::text_at(msg::event_unit_missing));
  UnitSlot& owner = event_owner(*form, *unit);
  if (!can_raise_events(type_of(owner))) rt::runtime_error(msg::text_at(msg::event_unit_invalid));
  rt::EventHandler handler = owner.record->handler_for(record.event_index);
  if (!handler) return 0;

  const uint32_t arg_count = record.arg_count > 5 ? 5 : record.arg_count;
  current_source_ = {record.form_id, unit->id()};
  const int32_t result = handler(record.args, static_cast<int>(arg_count));
  // Cleared after every handler, nested ones included: the outer handler sees no source.
  current_source_ = {0, 0};
  record.handled = 1;
  record.result = result;
  return result;
}

}  // namespace forms
