#include "main/cli/report.h"

#include <cstdio>

#include "app/runtime_calls.h"
#include "app/settings_table.h"
#include "platform/gbk_codec.h"

namespace cli {
namespace {

std::string hex_escape(unsigned char c, const char* format) {
  char buf[8];
  std::snprintf(buf, sizeof buf, format, c);
  return buf;
}

}  // namespace

std::string terminal_text(std::string_view gbk) { return platform::gbk_to_utf8_lossy(gbk); }

std::string tool_message(uint32_t message, const std::string& otherwise) {
  return message != 0 ? terminal_text(app::text(message)) : otherwise;
}

std::string key_value_lines(const std::vector<std::string>& values) {
  std::string out;
  for (size_t i = 0; i < values.size() && i < app::kSettingCount; ++i) {
    out += app::kSettings[i].name;
    out += '=';
    for (unsigned char c : values[i]) out += c < 0x20 || c == 0x7F ? hex_escape(c, "\\x%02X") : std::string(1, static_cast<char>(c));
    out += '\n';
  }
  return out;
}

std::string settings_json(const std::vector<std::string>& values) {
  std::string out = "{";
  for (size_t i = 0; i < values.size() && i < app::kSettingCount; ++i)
    out += (i ? "," : "") + json_string(app::kSettings[i].name) + ":" + json_string(values[i]);
  return out + "}";
}

std::string json_line(const std::string& port, const Outcome& outcome, bool read_command) {
  const bool ok = outcome.status == kOk;
  std::string out = "{\"port\":" + json_string(port) + ",\"ok\":" + (ok ? "true" : "false");
  if (!(ok && read_command)) {
    out += ",\"step\":" + json_string(outcome.step);
    out += ",\"message\":" + json_string(outcome.message);
  }
  if (!outcome.values.empty()) out += ",\"settings\":" + settings_json(outcome.values);
  return out + "}\n";
}

}  // namespace cli
