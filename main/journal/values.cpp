#include "main/journal/values.h"

#include "app/settings_table.h"
#include "main/cli/report.h"

namespace journal {
namespace {

// Reads one JSON string at `at` (at its opening quote), leaving `at` past its closing one.
std::optional<std::string> read_string(std::string_view json, size_t& at) {
  if (at >= json.size() || json[at] != '"') return std::nullopt;
  std::string out;
  for (++at; at < json.size(); ++at) {
    const char c = json[at];
    if (c == '"') {
      ++at;
      return out;
    }
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++at >= json.size()) return std::nullopt;
    switch (json[at]) {
      case '"': out += '"'; break;
      case '\\': out += '\\'; break;
      case '/': out += '/'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case 'b': out += '\b'; break;
      case 'f': out += '\f'; break;
      case 'u': {
        if (at + 4 >= json.size()) return std::nullopt;
        unsigned code = 0;
        for (int i = 1; i <= 4; ++i) {
          const char h = json[at + static_cast<size_t>(i)];
          code = code * 16 + static_cast<unsigned>(h >= '0' && h <= '9'   ? h - '0'
                                                   : h >= 'a' && h <= 'f' ? h - 'a' + 10
                                                   : h >= 'A' && h <= 'F' ? h - 'A' + 10
                                                                          : 99);
        }
        if (code > 0xFFFF) return std::nullopt;
        at += 4;
        // Only control characters are written this way; anything else stays as it came.
        if (code >= 0x80) return std::nullopt;
        out += static_cast<char>(code);
        break;
      }
      default: return std::nullopt;
    }
  }
  return std::nullopt;
}

void skip_spaces(std::string_view json, size_t& at) {
  while (at < json.size() && (json[at] == ' ' || json[at] == '\n' || json[at] == '\t' || json[at] == '\r')) ++at;
}

}  // namespace

std::string_view value_key(size_t index) { return app::kSettings.at(index).name; }

std::optional<size_t> value_index(std::string_view key) {
  const auto found = app::find_setting(key);
  if (!found) return std::nullopt;
  return app::index_of(*found);
}

std::string values_json(const Values& values) {
  if (values.empty()) return "";
  std::string out = "{";
  for (size_t i = 0; i < values.size() && i < kValueCount; ++i) {
    if (i) out += ',';
    out += cli::json_string(value_key(i)) + ":" + cli::json_string(values[i]);
  }
  return out + "}";
}

std::optional<Values> values_from_json(std::string_view json) {
  if (json.empty()) return Values{};
  Values values(kValueCount);
  std::vector<bool> seen(kValueCount, false);
  size_t at = 0;
  skip_spaces(json, at);
  if (at >= json.size() || json[at++] != '{') return std::nullopt;
  for (size_t n = 0; n < kValueCount; ++n) {
    skip_spaces(json, at);
    const auto key = read_string(json, at);
    const auto index = key ? value_index(*key) : std::nullopt;
    if (!index || seen[*index] || *key != value_key(*index)) return std::nullopt;
    skip_spaces(json, at);
    if (at >= json.size() || json[at++] != ':') return std::nullopt;
    skip_spaces(json, at);
    auto value = read_string(json, at);
    if (!value) return std::nullopt;
    values[*index] = std::move(*value);
    seen[*index] = true;
    skip_spaces(json, at);
    if (at < json.size() && json[at] == ',' && n + 1 < kValueCount) ++at;
  }
  skip_spaces(json, at);
  if (at >= json.size() || json[at++] != '}') return std::nullopt;
  skip_spaces(json, at);
  if (at != json.size()) return std::nullopt;
  return values;
}

}  // namespace journal
