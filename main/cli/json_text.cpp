#include "main/cli/json_text.h"

#include <nlohmann/json.hpp>

#include "app/settings_table.h"

namespace cli {

std::string json_text(const nlohmann::ordered_json& value) {
  const std::string dumped = value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
  // The library writes \b and \f by name, other control characters with small hex digits,
  // and DEL as it is; the texts written before it came did not.
  std::string out;
  out.reserve(dumped.size());
  for (size_t i = 0; i < dumped.size(); ++i) {
    const char c = dumped[i];
    if (c == '\x7F') {
      out += "\\u007F";
    } else if (c != '\\' || i + 1 == dumped.size()) {
      out += c;
    } else if (const char escaped = dumped[++i]; escaped == 'b') {
      out += "\\u0008";
    } else if (escaped == 'f') {
      out += "\\u000C";
    } else {
      out += '\\';
      out += escaped;
      for (size_t n = 0; escaped == 'u' && n < 4 && i + 1 < dumped.size(); ++n) {
        const char h = dumped[++i];
        out += h >= 'a' && h <= 'f' ? static_cast<char>(h - 'a' + 'A') : h;
      }
    }
  }
  return out;
}

std::string json_string(std::string_view utf8) { return json_text(nlohmann::ordered_json(std::string(utf8))); }

nlohmann::ordered_json settings_object(const std::vector<std::string>& values) {
  nlohmann::ordered_json object = nlohmann::ordered_json::object();
  for (size_t i = 0; i < values.size() && i < app::kSettingCount; ++i) object[std::string(app::kSettings[i].name)] = values[i];
  return object;
}

}  // namespace cli
