#include "tools/dtu-sim/settings.h"

#include <algorithm>
#include <cstdint>

namespace dtusim {

namespace {

// Limits of the text fields; the device's buffers are fixed in size.
constexpr size_t kIdMax = 15;
constexpr size_t kHostMax = 64;
constexpr size_t kApnMax = 64;
constexpr size_t kPhoneMax = 13;

constexpr std::array<uint32_t, 10> kBaudRates = {300,   600,   1200,  2400,  4800,
                                                 9600,  19200, 38400, 57600, 115200};

bool all_digits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Decimal number without sign; nothing when not all digits or above `max`.
std::optional<uint32_t> parse_number(std::string_view s, uint32_t max) {
  if (!all_digits(s)) return std::nullopt;
  uint64_t n = 0;
  for (char c : s) {
    n = n * 10 + static_cast<uint64_t>(c - '0');
    if (n > max) return std::nullopt;
  }
  return static_cast<uint32_t>(n);
}

std::optional<std::string> number_in(std::string_view s, uint32_t lo, uint32_t hi) {
  auto n = parse_number(s, hi);
  if (!n || *n < lo) return std::nullopt;
  return std::to_string(*n);
}

bool is_ipv4(std::string_view s) {
  int parts = 0;
  size_t pos = 0;
  while (true) {
    size_t dot = s.find('.', pos);
    std::string_view part = s.substr(pos, dot == std::string_view::npos ? std::string_view::npos : dot - pos);
    if (part.size() > 3 || !parse_number(part, 255)) return false;
    ++parts;
    if (dot == std::string_view::npos) break;
    pos = dot + 1;
  }
  return parts == 4;
}

std::optional<std::string> text_up_to(std::string_view s, size_t max) {
  if (s.size() > max) return std::nullopt;
  return std::string(s);
}

}  // namespace

std::string_view key_name(Key key) { return kKeyNames[static_cast<size_t>(key)]; }

std::optional<Key> key_from_name(std::string_view name) {
  for (size_t i = 0; i < kSettingCount; ++i)
    if (kKeyNames[i] == name) return static_cast<Key>(i);
  return std::nullopt;
}

Settings Settings::factory() {
  Settings s;
  s.put(Key::TM, "TCP");
  s.put(Key::UB, "1200");
  s.put(Key::HT, "120");
  s.put(Key::OT, "120");
  return s;
}

std::optional<std::string> accept_value(Key key, std::string_view value) {
  if (value.empty() || value == kUnsetMarker) return std::string();
  switch (key) {
    case Key::ID: return text_up_to(value, kIdMax);
    case Key::IP: return is_ipv4(value) ? std::optional<std::string>(value) : std::nullopt;
    case Key::PT: return number_in(value, 1, 65535);
    case Key::DN: return text_up_to(value, kHostMax);
    case Key::AP: return text_up_to(value, kApnMax);
    case Key::TM:
      if (value == "TCP" || value == "UDP") return std::string(value);
      return std::nullopt;
    case Key::UB: {
      auto n = parse_number(value, 115200);
      if (!n || std::find(kBaudRates.begin(), kBaudRates.end(), *n) == kBaudRates.end())
        return std::nullopt;
      return std::to_string(*n);
    }
    case Key::HT: return number_in(value, 0, 5000);
    case Key::OT: return number_in(value, 50, 1000);
    case Key::RV1:
    case Key::RV2:
    case Key::SS1:
    case Key::SS2:
      if (!all_digits(value) || value.size() > kPhoneMax) return std::nullopt;
      return std::string(value);
  }
  return std::nullopt;
}

}  // namespace dtusim
