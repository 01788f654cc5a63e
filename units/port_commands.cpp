// The serial port unit's library commands: open_port, close_port and send_data. The first
// argument is the unit reference; a reference to a unit that does not exist is the unit
// model's runtime error.
#include "units/port_commands.h"

#include "runtime/form_host.h"
#include "runtime/library/failure_reason.h"
#include "units/open_failure_text.h"
#include "units/send_data_bytes.h"
#include "units/serial_port_unit.h"

namespace units {
namespace {

SerialPortUnit* port_of(const rt::Value& reference) {
  rt::form_host().unit_window(reference.low, reference.high, /*strict=*/true);
  return SerialPortUnit::find(reference.low, reference.high);
}

// Results carry only their value; the call helper has zeroed the record.
void set_result(rt::Value* result, bool ok) {
  result->low = ok ? 1 : 0;
  result->high = 0;
}

}  // namespace

// A failed open leaves its reason for the window (the special-functions failure_reason).
void cmd_open_port(rt::Value* result, int, rt::Value* args) {
  SerialPortUnit* port = port_of(args[0]);
  const bool opened = port && port->open_with_settings();
  if (opened) {
    rt::clear_failure_reason();
  } else if (port) {
    rt::set_failure_reason(open_failure_text(port->open_failure()));
  }
  set_result(result, opened);
}

void cmd_close_port(rt::Value*, int, rt::Value* args) {
  if (SerialPortUnit* port = port_of(args[0])) port->close();
}

void cmd_send_data(rt::Value* result, int, rt::Value* args) {
  SerialPortUnit* port = port_of(args[0]);
  std::array<uint8_t, 8> scratch{};
  const auto bytes = send_data_bytes(args[1], scratch);
  set_result(result, port && bytes && port->send(bytes->data(), static_cast<int64_t>(bytes->size())));
}

}  // namespace units
