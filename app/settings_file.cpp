#include "app/settings_file.h"

#include <string>
#include <string_view>

#include "app/globals.h"
#include "app_texts.h"

namespace app {
namespace {

constexpr int32_t kModeRead = 1, kModeWriteExisting = 2, kShareDenyNone = 1;
constexpr int32_t kFileValues = 13;

enum class Load { AsIs, Number, EmptyElseNumber };

struct FileValue {
  UnitId unit;
  Load load;
  bool trim_on_save;  // every value but the IP address is saved trimmed
};

// File order: ID, IP, PT, DN, AP, TM, UB, HT, OT, RV1, RV2, SS1, SS2.
constexpr FileValue kFile[kFileValues] = {
    {unit::kDeviceId, Load::AsIs, true},    {unit::kServerIp, Load::AsIs, false},
    {unit::kServerPort, Load::EmptyElseNumber, true}, {unit::kDomain, Load::AsIs, true},
    {unit::kApn, Load::AsIs, true},         {unit::kTransferMode, Load::AsIs, true},
    {unit::kWorkBaud, Load::AsIs, true},    {unit::kHeartbeat, Load::Number, true},
    {unit::kCharTimeout, Load::Number, true}, {unit::kRing1, Load::AsIs, true},
    {unit::kRing2, Load::AsIs, true},       {unit::kSms1, Load::AsIs, true},
    {unit::kSms2, Load::AsIs, true},
};

// A value the record cannot hold faithfully: "//" inside it, or a trailing "/" that would
// run into the separator. Either would move every later value into the wrong field.
bool breaks_record(std::string_view value) {
  return value.find("//") != std::string_view::npos || (!value.empty() && value.back() == '/');
}

// The record to save, or false when a value cannot be stored.
bool build_record(std::string& record) {
  for (const FileValue& v : kFile) {
    HeapText raw = read_text(v.unit, value_property(v.unit));
    HeapText value = v.trim_on_save ? trimmed(raw.arg()) : std::move(raw);
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

void put_value(const FileValue& v, const char* part) {
  const int index = value_property(v.unit);
  switch (v.load) {
    case Load::AsIs:
      write_text(v.unit, index, part);
      break;
    case Load::Number:
      write_text(v.unit, index, int_to_text(to_int(part)).arg());
      break;
    case Load::EmptyElseNumber:
      write_text(v.unit, index, *part ? int_to_text(to_int(part)).arg() : text(texts::empty));
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
    show_message(texts::msg_save_bad_value);
    set_operation_buttons(true);
    return;
  }
  if ((file != 0 || create) && replace_file(record, create)) {
    set_operation_buttons(true);
    show_message(texts::msg_save_ok);
  } else {
    show_message(texts::msg_save_failed);
  }
  call(rt::kCloseFile, {file_arg});
}

void load_settings_file() {
  HeapText record = read_record();
  TextArray parts = split(record.arg(), text(texts::file_separator), kFileValues);
  // A missing, empty or short file leaves the fields without a part as the template has them.
  for (uint32_t n = 0; n < parts.size() && n < kFileValues; ++n) put_value(kFile[n], parts.at(n));
}

}  // namespace app
