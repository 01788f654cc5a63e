#include "app/field_checks.h"

#include <string_view>

#include "app/globals.h"
#include "app_texts.h"

namespace app {
namespace {

constexpr uint32_t kBaudRates[] = {texts::baud_300,   texts::baud_600,   texts::baud_1200, texts::baud_2400,
                                   texts::baud_4800,  texts::baud_9600,  texts::baud_19200, texts::baud_38400,
                                   texts::baud_57600, texts::baud_115200};

void set_focus(UnitId u) { call(rt::kSetFocus, {unit_arg(u)}); }
bool has_focus(UnitId u) { return call_int(rt::kHasFocus, {unit_arg(u)}) == 1; }

// Puts the focus back into a field that failed its check.
void return_focus(UnitId u) {
  set_focus(unit::kForm);
  if (!has_focus(u)) set_focus(u);
}

void pass() { globals().check_passed = 1; }

void fail(UnitId u, uint32_t message) {
  globals().check_passed = 0;
  show_message(message);
  return_focus(u);
}

HeapText content(UnitId u) { return read_text(u, value_property(u)); }

bool is_unset(const HeapText& t) { return t.view() == text(texts::unset_marker); }

// A phone-number field: empty and "-----" pass; otherwise 1..13 bytes once trimmed.
void check_phone(UnitId u, uint32_t message) {
  HeapText t = content(u);
  if (t.empty() || is_unset(t)) return pass();
  int32_t n = text_length(trimmed(t.arg()).arg());
  if (n >= 1 && n <= 13) return pass();
  fail(u, message);
}

}  // namespace

void check_device_id() {
  HeapText t = content(unit::kDeviceId);
  if (t.empty() || text_length(trimmed(t.arg()).arg()) <= 15) return pass();
  fail(unit::kDeviceId, texts::msg_bad_device_id);
}

void check_server_port() {
  HeapText t = content(unit::kServerPort);
  if (t.empty() || is_unset(t)) return pass();
  int32_t port = to_int(t.arg());
  if (port >= 1 && port <= 65535) return pass();
  fail(unit::kServerPort, texts::msg_bad_server_port);
}

void check_work_baud() {
  HeapText t = content(unit::kWorkBaud);
  if (!t.empty()) {
    for (uint32_t rate : kBaudRates)
      if (contains(t.arg(), text(rate))) return pass();
  }
  fail(unit::kWorkBaud, texts::msg_bad_work_baud);
}

void check_heartbeat() {
  HeapText t = content(unit::kHeartbeat);
  if (t.empty()) {
    globals().check_passed = 0;  // fails without a message
    return;
  }
  if (to_int(t.arg()) <= 5000) return pass();
  fail(unit::kHeartbeat, texts::msg_bad_heartbeat);
}

void check_char_timeout() {
  HeapText t = content(unit::kCharTimeout);
  if (t.empty()) {
    globals().check_passed = 0;  // fails without a message
    return;
  }
  int32_t ms = to_int(t.arg());
  if (ms >= 50 && ms <= 1000) return pass();
  fail(unit::kCharTimeout, texts::msg_bad_char_timeout);
}

void check_ring1() { check_phone(unit::kRing1, texts::msg_bad_ring1); }
void check_ring2() { check_phone(unit::kRing2, texts::msg_bad_ring2); }
void check_sms1() { check_phone(unit::kSms1, texts::msg_bad_sms1); }
void check_sms2() { check_phone(unit::kSms2, texts::msg_bad_sms2); }

void check_link_baud() {
  HeapText t = content(unit::kLinkBaudBox);
  for (uint32_t rate : kBaudRates)
    if (t.view() == text(rate)) return pass();
  fail(unit::kLinkBaudBox, texts::msg_bad_link_baud);
}

bool check_all_fields() {
  constexpr UnitId kSweep[13] = {unit::kDeviceId,  unit::kServerIp,     unit::kServerPort, unit::kDomain,
                                 unit::kApn,       unit::kTransferMode, unit::kWorkBaud,   unit::kHeartbeat,
                                 unit::kCharTimeout, unit::kRing1,      unit::kRing2,      unit::kSms1,
                                 unit::kSms2};
  for (UnitId u : kSweep) {
    set_focus(u);
    set_focus(unit::kForm);  // leaving the field runs its check before this returns
    if (globals().check_passed != 1) return false;
  }
  set_focus(unit::kForm);
  return true;
}

}  // namespace app
