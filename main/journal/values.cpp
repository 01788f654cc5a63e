#include "main/journal/values.h"

#include "main/cli/report.h"
#include "platform/json_text.h"

namespace journal {

std::string_view value_key(size_t index) { return app::kSettings.at(index).name; }

std::optional<size_t> value_index(std::string_view key) {
  const auto found = app::find_setting(key);
  if (!found) return std::nullopt;
  return app::index_of(*found);
}

std::string values_json(const Values& values) {
  if (values.empty()) return "";
  return cli::settings_json(values);
}

std::optional<Values> values_from_json(std::string_view json) {
  if (json.empty()) return Values{};
  const auto members = platform::json_string_members(json);
  if (!members || members->size() != kValueCount) return std::nullopt;
  Values values(kValueCount);
  std::vector<bool> seen(kValueCount, false);
  for (const auto& [key, value] : *members) {
    const auto index = value_index(key);
    if (!index || seen[*index] || key != value_key(*index)) return std::nullopt;
    values[*index] = value;
    seen[*index] = true;
  }
  return values;
}

}  // namespace journal
