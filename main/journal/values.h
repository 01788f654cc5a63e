// A DTU's thirteen settings as the journal keeps them: UTF-8 texts in the console program's
// key order (ID IP PT DN AP TM UB HT OT RV1 RV2 SS1 SS2), stored as one JSON object.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/settings_table.h"

namespace journal {

using Values = std::vector<std::string>;

inline constexpr size_t kValueCount = app::kSettingCount;
inline constexpr std::string_view kKeyList = app::kFileOrder;  // the settings table's order, checked against its rows
std::string_view value_key(size_t index);                  // "ID" ... "SS2"
std::optional<size_t> value_index(std::string_view key);  // any letter case; none if unknown

// {"ID":"...","IP":"...",...}; "" for no values (a step that read nothing).
std::string values_json(const Values& values);
// The object values_json wrote (keys in any order, each of the thirteen once); none for
// anything else. "" gives an empty set.
std::optional<Values> values_from_json(std::string_view json);

}  // namespace journal
