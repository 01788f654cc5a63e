#include "units/open_failure_text.h"

#include "dtu_units_texts.h"
#include "platform/gbk_codec.h"
#include "platform/serial_ports.h"

namespace units {
namespace {

const char* T(uint32_t offset) { return units_text::text_at(offset); }

std::string gbk(const std::string& utf8) { return platform::utf8_to_gbk(utf8).value_or(utf8); }

// "COM2 (/dev/ttyS1)"; just "COM2" where the device is called that anyway (Windows).
std::string port_and_device(const OpenFailure& f) {
  const std::string port = "COM" + std::to_string(f.port_number);
  if (f.path.empty() || f.path == port || f.path == "\\\\.\\" + port) return port;
  return port + " (" + gbk(f.path) + ")";
}

// A port that does not exist: the ports the system has instead, where it lists them (a USB
// adapter often gets a number above those the window offers).
std::string missing(int port_number) {
  std::string text = T(units_text::port_missing);
  const auto listed = platform::listed_serial_ports();
  if (!listed) return text;
  std::string others;
  for (const platform::ListedPort& port : *listed) {
    if (port.number == port_number) continue;
    others += (others.empty() ? "" : ", ") + port.name;
  }
  return others.empty() ? text : text + T(units_text::port_others_before) + others;
}

std::string device_refusal(const OpenFailure& f) {
  using platform::SerialError;
  const platform::SerialRefusal why = platform::explain_serial_refusal(f.path, f.error);
  switch (f.error) {
    case SerialError::NotFound: return missing(f.port_number);
    case SerialError::Permission:
      if (why.allowed_group.empty()) return T(units_text::port_no_rights);
      return T(units_text::port_join_group_before) + gbk(why.allowed_group) + T(units_text::port_join_group_after);
    case SerialError::Busy: {
      if (why.holder_pid <= 0) return T(units_text::port_held);
      std::string held = T(units_text::port_held_by_before) + std::to_string(why.holder_pid);
      if (!why.holder_name.empty()) held += " " + gbk(why.holder_name);
      return held + T(units_text::port_held_by_after);
    }
    case SerialError::Unsupported: return T(units_text::port_not_serial);
    default: return T(units_text::port_open_error);
  }
}

}  // namespace

std::string open_failure_text(const OpenFailure& f) {
  std::string reason;
  switch (f.step) {
    case OpenFailure::Step::None: return {};
    case OpenFailure::Step::PortNumber: reason = missing(f.port_number); break;
    case OpenFailure::Step::Device: reason = device_refusal(f); break;
    case OpenFailure::Step::LineSettings: reason = T(units_text::port_settings_refused); break;
    case OpenFailure::Step::Worker: reason = T(units_text::port_no_worker); break;
  }
  return port_and_device(f) + " " + reason;
}

}  // namespace units
