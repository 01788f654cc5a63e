#include "tests/units/fake_form_host.h"

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

