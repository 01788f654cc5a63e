#include "app/write_settings.h"

#include <string>

#include "app/field_checks.h"
#include "app/globals.h"
#include "app/link.h"
#include "app/settings_table.h"
#include "app/state_record.h"
#include "app_texts.h"

namespace app {
namespace {

// The set command of a setting: its prefix and the value as it stands in the field now.
std::string command_for(const Setting& s) {
  HeapText value = read_text(s.unit, value_property(s.unit));
  std::string command = text(s.write.prefix);
  command += s.write.trimmed ? trimmed(value.arg()).view() : value.view();
  return command;
}

struct WriteEnd {
  Exchange exchange;
  uint32_t failure;  // the message of the step that was not acknowledged
  bool emptied;      // a field that must not be empty was found empty at its step
};

// Sends every step in order, up to the first one that is not acknowledged. A field emptied
// since the checks (the character time-out) ends the write at its step as an unanswered
// command would.
WriteEnd send_all_steps() {
  for (const Setting& s : kSettings) {
    record_write_step(s.key);
    if (s.when_empty.stops_write && read_text(s.unit, value_property(s.unit)).empty())
      return {Exchange::Unanswered, s.when_empty.message, true};
    const Exchange e = run_command(command_for(s).c_str(), text(s.write.status), s.write.poll_limit);
    if (e != Exchange::Acknowledged) return {e, s.write.failure, false};
  }
  return {Exchange::Acknowledged, 0, false};
}

}  // namespace

void on_write_clicked() {
  begin_operation(Operation::Write);
  if (!check_all_fields()) return end_operation(Outcome::Refused, tool_state().last_check.message);
  set_operation_buttons(false);
  const WriteEnd end = send_all_steps();
  if (end.exchange == Exchange::Unanswered) {
    end_operation(end.emptied ? Outcome::Refused : Outcome::Unanswered, end.failure);
    drop_link(text(texts::status_not_connected), BoxAt::BeforeDrop, end.failure);
  }
  if (end.exchange == Exchange::Abandoned) end_operation(Outcome::Abandoned);
  if (end.exchange != Exchange::Acknowledged) return;
  set_operation_buttons(true);
  show_status(text(texts::status_write_ok));
  end_operation(Outcome::Succeeded, texts::msg_write_ok);
  show_message(texts::msg_write_ok);
}

}  // namespace app
