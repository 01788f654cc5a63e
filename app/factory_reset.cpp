#include "app/factory_reset.h"

#include "app/globals.h"
#include "app/link.h"
#include "app/state_record.h"
#include "app_texts.h"

namespace app {
namespace {

constexpr int kResetPollLimit = 200;  // 20 s

void write_factory_values() {
  const char* empty = text(texts::empty);
  write_text(unit::kDeviceId, prop::kEditContent, empty);
  write_text(unit::kServerIp, prop::kIpAddress, empty);
  write_text(unit::kServerPort, prop::kEditContent, empty);
  write_text(unit::kDomain, prop::kEditContent, empty);
  write_int(unit::kApn, prop::kComboSelection, -1);
  write_int(unit::kTransferMode, prop::kComboSelection, 0);  // "TCP"
  write_int(unit::kWorkBaud, prop::kComboSelection, 2);      // "1200"
  write_text(unit::kHeartbeat, prop::kEditContent, text(texts::factory_interval));
  write_text(unit::kCharTimeout, prop::kEditContent, text(texts::factory_interval));
  for (UnitId u : {unit::kRing1, unit::kRing2, unit::kSms1, unit::kSms2}) write_text(u, prop::kEditContent, empty);
}

}  // namespace

void on_reset_clicked() {
  set_operation_buttons(false);
  begin_operation(Operation::Reset);
  const Exchange end = run_command(text(texts::cmd_reset), text(texts::status_resetting), kResetPollLimit);
  if (end == Exchange::Unanswered) {
    end_operation(Outcome::Unanswered, texts::msg_not_connected);
    drop_link(text(texts::status_not_connected), BoxAt::AfterDrop, texts::msg_not_connected);
  }
  if (end == Exchange::Abandoned) end_operation(Outcome::Abandoned);
  if (end != Exchange::Acknowledged) return;
  set_operation_buttons(true);
  write_factory_values();
  show_status(text(texts::status_reset_ok));
  end_operation(Outcome::Succeeded, texts::msg_reset_ok);
  show_message(texts::msg_reset_ok);
}

}  // namespace app
