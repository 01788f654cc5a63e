#include "app/field_checks.h"

#include <string_view>

#include "app/globals.h"
#include "app/settings_table.h"
#include "app/state_record.h"
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

void pass(std::optional<Key> setting) {
  globals().check_passed = 1;
  record_check(true, setting);
}

void fail(std::optional<Key> setting, UnitId u, uint32_t message) {
  globals().check_passed = 0;
  record_check(false, setting, message);
  show_message(message);
  return_focus(u);
}

// A field that must not be left empty, found empty: refused without a message.
void fail_silently(Key setting) {
  globals().check_passed = 0;
  record_check(false, setting);
}

HeapText content(UnitId u) { return read_text(u, value_property(u)); }

bool is_unset(const HeapText& t) { return t.view() == text(texts::unset_marker); }

bool passes(const Setting& s, const HeapText& t) {
  switch (s.check) {
    case Check::None:
      return true;
    case Check::DeviceId:
      return t.empty() || text_length(trimmed(t.arg()).arg()) <= 15;
    case Check::ServerPort: {
      if (t.empty() || is_unset(t)) return true;
      const int32_t port = to_int(t.arg());
      return port >= 1 && port <= 65535;
    }
    case Check::WorkBaud:
      if (!t.empty()) {
        for (uint32_t rate : kBaudRates)
          if (contains(t.arg(), text(rate))) return true;
      }
      return false;
    case Check::Heartbeat:
      return to_int(t.arg()) <= 5000;
    case Check::CharTimeout: {
      const int32_t ms = to_int(t.arg());
      return ms >= 50 && ms <= 1000;
    }
    case Check::PhoneNumber: {
      // Empty and "-----" pass; otherwise 1..13 bytes once trimmed.
      if (t.empty() || is_unset(t)) return true;
      const int32_t n = text_length(trimmed(t.arg()).arg());
      return n >= 1 && n <= 13;
    }
  }
  return false;
}

void check_setting(Key key) {
  const Setting& s = setting(key);
  HeapText t = content(s.unit);
  if (s.when_empty.refused && t.empty()) return fail_silently(key);
  if (passes(s, t)) return pass(key);
  fail(key, s.unit, s.check_message);
}

}  // namespace

void check_device_id() { check_setting(Key::ID); }
void check_server_port() { check_setting(Key::PT); }
void check_work_baud() { check_setting(Key::UB); }
void check_heartbeat() { check_setting(Key::HT); }
void check_char_timeout() { check_setting(Key::OT); }
void check_ring1() { check_setting(Key::RV1); }
void check_ring2() { check_setting(Key::RV2); }
void check_sms1() { check_setting(Key::SS1); }
void check_sms2() { check_setting(Key::SS2); }

void check_link_baud() {
  HeapText t = content(unit::kLinkBaudBox);
  for (uint32_t rate : kBaudRates)
    if (t.view() == text(rate)) return pass(std::nullopt);
  fail(std::nullopt, unit::kLinkBaudBox, texts::msg_bad_link_baud);
}

bool check_all_fields() {
  for (const Setting& s : kSettings) {
    set_focus(s.unit);
    set_focus(unit::kForm);  // leaving the field runs its check before this returns
    if (globals().check_passed != 1) return false;
  }
  set_focus(unit::kForm);
  return true;
}

}  // namespace app
