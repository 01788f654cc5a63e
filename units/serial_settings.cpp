#include "units/serial_settings.h"

#include <algorithm>
#include <limits>

#include "units/settings_block.h"

namespace units {
namespace {

int32_t saturate(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                   std::numeric_limits<int32_t>::max()));
}
int32_t clamp32(int64_t v, int32_t lo, int32_t hi) { return std::clamp(saturate(v), lo, hi); }
int32_t at_least(int64_t v, int32_t lo) { return std::max(saturate(v), lo); }

constexpr uint32_t kBlockVersion = 4;

}  // namespace

bool SerialPortSettings::store(int own_index, const forms::PropertyValue& value) {
  const int64_t v = value.integer;
  switch (own_index) {
    case kPortNumber: port_number = at_least(v, 1); return true;
    case kBaudRate: baud_rate = at_least(v, 0); return true;
    case kDataBits: data_bits = saturate(v); return true;
    case kStopBits: stop_bits = clamp32(v, 1, 3); return true;
    case kParityCheck: parity_check = v != 0; return true;
    case kEventChar: event_char = value.bytes; return true;
    case kTimeout: timeout = at_least(v, 0); return true;
    case kOpenOnCreate: open_on_create = v != 0; return true;
    case kParity: parity = clamp32(v, 0, 4); return true;
    case kFlowControl: flow_control = clamp32(v, 0, 5); return true;
    case kRtsControl: rts_control = clamp32(v, 0, 2); return true;
    case kDtrControl: dtr_control = clamp32(v, 0, 2); return true;
    default: return false;
  }
}

bool SerialPortSettings::read(int own_index, forms::PropertyValue& out) const {
  const int32_t values[kSerialPropertyCount] = {port_number, baud_rate,      data_bits, stop_bits,
                                                parity_check, 0,             timeout,   open_on_create,
                                                parity,      flow_control,   rts_control, dtr_control};
  if (own_index < 0 || own_index >= kSerialPropertyCount) return false;
  out = {};
  if (own_index == kEventChar) {
    out.bytes = event_char;
  } else {
    out.integer = values[own_index];
  }
  return true;
}

bool SerialPortSettings::load(std::span<const uint8_t> block) {
  *this = SerialPortSettings{};
  if (block.empty()) return true;
  BlockReader r(block);
  uint32_t version = 0;
  if (!r.read_u32(version) || version > kBlockVersion) return false;
  bool ok = r.read_i32(port_number) && r.read_i32(baud_rate) && r.read_i32(data_bits) && r.read_i32(stop_bits) &&
            r.read_i32(parity_check) && r.read_i32(timeout) && r.read_i32(open_on_create) &&
            r.read_bytes(event_char);
  if (ok && version >= 2) ok = r.read_i32(parity);
  if (ok && version >= 3) ok = r.read_i32(flow_control);
  if (ok && version >= 4) ok = r.read_i32(rts_control) && r.read_i32(dtr_control);
  return ok;
}

std::vector<uint8_t> SerialPortSettings::save() const {
  BlockWriter w;
  w.u32(kBlockVersion);
  for (int32_t v : {port_number, baud_rate, data_bits, stop_bits, parity_check, timeout, open_on_create}) w.i32(v);
  w.bytes(event_char);
  for (int32_t v : {parity, flow_control, rts_control, dtr_control}) w.i32(v);
  return w.take();
}

platform::LineSettings to_line_settings(const SerialPortSettings& s) {
  using platform::DtrMode;
  using platform::RtsMode;
  platform::LineSettings l;
  l.baud_rate = s.baud_rate > 0 ? static_cast<uint32_t>(s.baud_rate) : 0;
  l.data_bits = static_cast<uint8_t>(s.data_bits & 0xFF);
  l.stop_bits = s.stop_bits == 2   ? platform::StopBits::OneAndHalf
                : s.stop_bits == 3 ? platform::StopBits::Two
                                   : platform::StopBits::One;
  l.parity_check = (s.parity_check & 1) != 0;
  l.parity = s.parity >= 1 && s.parity <= 4 ? static_cast<platform::Parity>(s.parity) : platform::Parity::None;
  if (!s.event_char.empty()) l.event_char = static_cast<uint8_t>(s.event_char[0]);
  l.rts = s.rts_control == 1 ? RtsMode::Off : RtsMode::On;
  l.dtr = s.dtr_control == 1 ? DtrMode::Off : s.dtr_control == 2 ? DtrMode::On : DtrMode::Unchanged;
  // Flow control comes last: a handshake mode takes over its line from the settings above.
  switch (s.flow_control) {
    case 1: l.cts_output_flow = true; l.rts = RtsMode::Handshake; break;
    case 2: l.cts_output_flow = true; l.dtr = DtrMode::Handshake; break;
    case 3: l.dsr_output_flow = true; l.rts = RtsMode::Handshake; break;
    case 4: l.dsr_output_flow = true; l.dtr = DtrMode::Handshake; break;
    case 5: l.xon_xoff = true; break;
    default: break;
  }
  l.timeout_ms = s.timeout > 0 ? static_cast<uint32_t>(s.timeout) : 0;
  return l;
}

}  // namespace units
