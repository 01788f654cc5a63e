#include "forms/unit.h"

namespace forms {

int32_t Unit::raise(int32_t event_index, std::initializer_list<int32_t> args) {
  rt::EventRecord record;
  record.form_id = form_id_;
  record.unit_id = unit_id_;
  record.event_index = event_index;
  for (int32_t a : args) {
    if (record.arg_count == 5) break;
    record.args[record.arg_count++] = a;
  }
  owner_.raise_event(record);
  return record.result;
}

void Unit::report_destroyed() { owner_.unit_destroyed(form_id_, unit_id_); }

}  // namespace forms
