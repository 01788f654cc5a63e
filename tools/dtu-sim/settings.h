// The thirteen settings a DTU keeps, their factory values and the checks the device applies
// to a set command. Values are raw bytes; the empty value means "unset".
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace dtusim {

inline constexpr size_t kSettingCount = 13;

// Listing order: the order in which "%LIST" prints the settings.
enum class Key : size_t { ID, IP, PT, DN, AP, TM, UB, OT, HT, RV1, RV2, SS1, SS2 };

inline constexpr std::array<std::string_view, kSettingCount> kKeyNames = {
    "ID", "IP", "PT", "DN", "AP", "TM", "UB", "OT", "HT", "RV1", "RV2", "SS1", "SS2"};

// What the device prints for a setting that has no value.
inline constexpr std::string_view kUnsetMarker = "-----";

std::string_view key_name(Key key);
std::optional<Key> key_from_name(std::string_view name);

class Settings {
 public:
  static Settings factory();

  const std::string& get(Key key) const { return values_[static_cast<size_t>(key)]; }
  void put(Key key, std::string value) { values_[static_cast<size_t>(key)] = std::move(value); }
  bool operator==(const Settings&) const = default;

 private:
  std::array<std::string, kSettingCount> values_{};
};

// Judges a value sent with a set command. Returns the value to store (normalised where the
// device keeps a number: "08080" is stored as "8080"; the empty text and the unset marker
// both unset the setting), or nothing when the device refuses it.
std::optional<std::string> accept_value(Key key, std::string_view value);

}  // namespace dtusim
