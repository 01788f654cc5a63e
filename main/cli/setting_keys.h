// The thirteen settings as the console program names them: their keys, in the order of the
// settings file and of the write (ID IP PT DN AP TM UB HT OT RV1 RV2 SS1 SS2), the field
// that holds each one, and the status text the window shows while writing it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "app/units.h"

namespace cli {

struct SettingKey {
  std::string_view name;
  app::UnitId unit;
  uint32_t write_status;  // offset of the status text in the tool's texts
};

inline constexpr size_t kSettingCount = 13;
const std::array<SettingKey, kSettingCount>& setting_keys();

// The index of a key, any letter case ("pt" is PT); none for an unknown key.
std::optional<size_t> find_setting_key(std::string_view name);

}  // namespace cli
