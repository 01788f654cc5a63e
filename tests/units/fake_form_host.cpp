#include "tests/units/fake_form_host.h"

#include "forms/unit.h"
#include "units/serial_port_unit.h"

namespace units::test {

FakeFormHost& fake_host() {
  static FakeFormHost host;
  return host;
}

rt::UnitWindow FakeFormHost::unit_window(uint32_t form_id, uint32_t unit_id, bool strict) {
  if (SerialPortUnit* u = SerialPortUnit::find(form_id, unit_id)) return {u->window(), nullptr};
  if (strict) throw UnitMissing();
  return {};
}

int32_t FakeFormHost::raise_event(rt::EventRecord& record) {
  if (this->record) events.push_back({record.form_id, record.unit_id, record.event_index,
                    std::vector<int32_t>(record.args, record.args + record.arg_count)});
  if (handler) handler(record);
  record.handled = 1;
  return record.result;
}

}  // namespace units::test

// The unit model's side of forms::Unit, as the form runtime provides it.
namespace forms {
int32_t Unit::raise(int32_t event_index, std::initializer_list<int32_t> args) {
  rt::EventRecord record;
  record.form_id = form_id_;
  record.unit_id = unit_id_;
  record.event_index = event_index;
  for (int32_t a : args) record.args[record.arg_count++] = a;
  rt::form_host().raise_event(record);
  return record.result;
}
void Unit::report_destroyed() { rt::form_host().unit_destroyed(form_id_, unit_id_); }
}  // namespace forms

rt::FormHost& rt::form_host() { return units::test::fake_host(); }
