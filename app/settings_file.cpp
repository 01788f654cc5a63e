#include "app/settings_file.h"

#include <string>
#include <string_view>

#include "app/globals.h"
#include "app/settings_table.h"
#include "app/state_record.h"
#include "app_texts.h"

namespace app {
namespace {

constexpr int32_t kModeRead = 1, kModeWriteExisting = 2, kShareDenyNone = 1;

// A value the record cannot hold faithfully: "//" inside it, or a trailing "/" that would
// run into the separator. Either would move every later value into the wrong field.
bool breaks_record(std::string_view value) {
  return value.find("//") != std::string_view::npos || (!value.empty() && value.back() == '/');
}

// The record to save, or false when a value cannot be stored.
bool build_record(std::string& record) {
  for (const Setting& s : kSettings) {
    HeapText raw = read_text(s.unit, value_property(s.unit));
    HeapText value = s.saved_trimmed ? trimmed(raw.arg()) : std::move(raw);
    if (breaks_record(value.view())) return false;
    record += value.view();
    record += text(texts::file_separator);
  }
  return true;
}

// Replaces the existing file; or, with `create`, makes the file that is not there yet.
bool replace_file(const std::string& record, bool create) {
  rt::Value r = call_special(rt::kReplaceFile, {text_arg(text(texts::settings_file)), text_arg(record.c_str()),
                                                logical_arg(create)});
  return r.low == 1;
}

void put_value(const Setting& s, const char* part) {
  const int index = value_property(s.unit);
  switch (s.from_file) {
    case FromFile::AsIs:
      write_text(s.unit, index, part);
      break;
    case FromFile::Number:
      write_text(s.unit, index, int_to_text(to_int(part)).arg());
      break;
    case FromFile::EmptyElseNumber:
      write_text(s.unit, index, *part ? int_to_text(to_int(part)).arg() : text(texts::empty));
      break;
  }
}

HeapText read_record() {
  int32_t file = call_int(rt::kOpenFile, {text_arg(text(texts::settings_file)), int_arg(kModeRead),
                                          int_arg(kShareDenyNone)});
  char* record = nullptr;
  rt::Value variable;
  variable.set_pointer(&record, rt::kText);
  rt::Value file_arg = int_arg(file);
  rt::Value args[2] = {file_arg, variable};
  rt::helpers().call_core_command(rt::core_command(rt::kReadFromFile), 2, args);
  call(rt::kCloseFile, {file_arg});
  return HeapText(record);
}

}  // namespace

void on_save_clicked() {
  set_operation_buttons(false);
  begin_operation(Operation::Save);
  int32_t file = call_int(rt::kOpenFile, {text_arg(text(texts::settings_file)), int_arg(kModeWriteExisting),
                                          int_arg(kShareDenyNone)});
  rt::Value file_arg = int_arg(file);
  // The program's folder never gets a settings file it did not have; the user's own folder
  // (an installed copy) starts without one, and its first save makes it.
  const bool create = file == 0 && in_user_folder();
  std::string record;
  if ((file != 0 || create) && !build_record(record)) {
    // Nothing was written: the old file stays, and the tool stays in setting mode.
    call(rt::kCloseFile, {file_arg});
    end_operation(Outcome::Refused, texts::msg_save_bad_value);
    show_message(texts::msg_save_bad_value);
    set_operation_buttons(true);
    return;
  }
  if ((file != 0 || create) && replace_file(record, create)) {
    set_operation_buttons(true);
    end_operation(Outcome::Succeeded, texts::msg_save_ok);
    show_message(texts::msg_save_ok);
  } else {
    end_operation(Outcome::Failed, texts::msg_save_failed);
    show_message(texts::msg_save_failed);
  }
  call(rt::kCloseFile, {file_arg});
}

void load_settings_file() {
  HeapText record = read_record();
  TextArray parts = split(record.arg(), text(texts::file_separator), kSettingCount);
  // A missing, empty or short file leaves the fields without a part as the template has them.
  for (uint32_t n = 0; n < parts.size() && n < kSettingCount; ++n) put_value(kSettings[n], parts.at(n));
}

}  // namespace app
