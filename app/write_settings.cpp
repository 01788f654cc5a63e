#include "app/write_settings.h"

#include <string>

#include "app/field_checks.h"
#include "app/globals.h"
#include "app/link.h"
#include "app_texts.h"

namespace app {
namespace {

struct WriteStep {
  UnitId unit;
  uint32_t prefix;
  uint32_t status;
  int poll_limit;
  uint32_t failure;
  bool trim;  // only the three combo box values are trimmed
};

constexpr WriteStep kSteps[13] = {
    {unit::kDeviceId, texts::prefix_id, texts::status_set_id, 40, texts::msg_fail_id, false},
    {unit::kServerIp, texts::prefix_ip, texts::status_set_ip, 40, texts::msg_fail_ip, false},
    {unit::kServerPort, texts::prefix_pt, texts::status_set_pt, 40, texts::msg_fail_pt, false},
    {unit::kDomain, texts::prefix_dn, texts::status_set_dn, 60, texts::msg_fail_dn, false},
    {unit::kApn, texts::prefix_ap, texts::status_set_ap, 40, texts::msg_fail_ap, true},
    {unit::kTransferMode, texts::prefix_tm, texts::status_set_tm, 40, texts::msg_fail_tm, true},
    {unit::kWorkBaud, texts::prefix_ub, texts::status_set_ub, 40, texts::msg_fail_ub, true},
    {unit::kHeartbeat, texts::prefix_ht, texts::status_set_ht, 40, texts::msg_fail_ht, false},
    {unit::kCharTimeout, texts::prefix_ot, texts::status_set_ot, 40, texts::msg_fail_ot, false},
    {unit::kRing1, texts::prefix_rv1, texts::status_set_rv1, 60, texts::msg_fail_rv1, false},
    {unit::kRing2, texts::prefix_rv2, texts::status_set_rv2, 60, texts::msg_fail_rv2, false},
    {unit::kSms1, texts::prefix_ss1, texts::status_set_ss1, 60, texts::msg_fail_ss1, false},
    {unit::kSms2, texts::prefix_ss2, texts::status_set_ss2, 60, texts::msg_fail_ss2, false},
};
constexpr int kCharTimeoutStep = 8;

// The set command of a step: its prefix and the value as it stands in the unit now.
std::string command_for(const WriteStep& step) {
  HeapText value = read_text(step.unit, value_property(step.unit));
  std::string command = text(step.prefix);
  command += step.trim ? trimmed(value.arg()).view() : value.view();
  return command;
}

struct WriteEnd {
  Exchange exchange;
  uint32_t failure;  // the message of the step that was not acknowledged
};

// Sends every step in order, up to the first one that is not acknowledged. An emptied
// character time-out ends the write at its step as an unanswered command would.
WriteEnd send_all_steps() {
  for (int i = 0; i < 13; ++i) {
    const WriteStep& step = kSteps[i];
    if (i == kCharTimeoutStep && read_text(unit::kCharTimeout, prop::kEditContent).empty())
      return {Exchange::Unanswered, texts::msg_char_timeout_empty};
    const Exchange e = run_command(command_for(step).c_str(), text(step.status), step.poll_limit);
    if (e != Exchange::Acknowledged) return {e, step.failure};
  }
  return {Exchange::Acknowledged, 0};
}

}  // namespace

void on_write_clicked() {
  if (!check_all_fields()) return;
  set_operation_buttons(false);
  const WriteEnd end = send_all_steps();
  if (end.exchange == Exchange::Unanswered) drop_link(text(texts::status_not_connected), BoxAt::BeforeDrop, end.failure);
  if (end.exchange != Exchange::Acknowledged) return;
  set_operation_buttons(true);
  show_status(text(texts::status_write_ok));
  show_message(texts::msg_write_ok);
}

}  // namespace app
