#include "main/journal/values.h"

#include <nlohmann/json.hpp>

#include "main/cli/json_text.h"

namespace journal {

std::string_view value_key(size_t index) { return app::kSettings.at(index).name; }

std::optional<size_t> value_index(std::string_view key) {
  const auto found = app::find_setting(key);
  if (!found) return std::nullopt;
  return app::index_of(*found);
}

std::string values_json(const Values& values) {
  if (values.empty()) return "";
  return cli::json_text(cli::settings_object(values));
}

std::optional<Values> values_from_json(std::string_view json) {
  if (json.empty()) return Values{};
  using Json = nlohmann::json;
  // The library keeps the last of two equal keys: they are counted as the text names them.
  size_t keys = 0;
  const Json::parser_callback_t count_keys = [&keys](int depth, Json::parse_event_t event, Json&) {
    if (event == Json::parse_event_t::key && depth == 1) ++keys;
    return true;
  };
  const Json object = Json::parse(json, count_keys, false);
  if (!object.is_object() || object.size() != kValueCount || keys != kValueCount) return std::nullopt;
  Values values(kValueCount);
  for (size_t i = 0; i < kValueCount; ++i) {
    const auto value = object.find(std::string(value_key(i)));
    if (value == object.end() || !value->is_string()) return std::nullopt;
    values[i] = value->get_ref<const std::string&>();
  }
  return values;
}

}  // namespace journal
