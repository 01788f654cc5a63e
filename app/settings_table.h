// The thirteen settings in one table. Each row holds everything the tool knows about one
// setting: its key, the field that holds it, its line in the DTU's listing and how the
// listing's value is taken, how its settings-file part is loaded and saved, its set command
// and how long the write waits for it, the check its field runs when it loses the focus, and
// what becomes of the field left empty.
//
// The rows are in the order of the settings file, of the write and of the check sweep
// (ID IP PT DN AP TM UB HT OT RV1 RV2 SS1 SS2); the DTU lists OT before HT. Both orders are
// part of the formats, so the table is checked against them when it is compiled.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "app/units.h"
#include "app_texts.h"

namespace app {

inline constexpr size_t kSettingCount = 13;

// A setting by its row: its position in the settings file and its step in the write (both
// counted from 0).
enum class Key : uint8_t { ID, IP, PT, DN, AP, TM, UB, HT, OT, RV1, RV2, SS1, SS2 };

constexpr size_t index_of(Key key) { return static_cast<size_t>(key); }

// How a listing line's value becomes the field's text. The unset marker "-----" gives the
// empty text where the rule says so; a number goes through to_int and back.
enum class FromListing : uint8_t { AsIs, UnsetEmpty, Number, UnsetEmptyElseNumber };

// How a settings-file part becomes the field's text.
enum class FromFile : uint8_t { AsIs, Number, EmptyElseNumber };

// The check a field runs when it loses the focus; None for the four fields without one.
enum class Check : uint8_t { None, DeviceId, ServerPort, WorkBaud, Heartbeat, CharTimeout, PhoneNumber };

// A field that must not be left empty (the heartbeat and the character time-out): its check
// refuses the empty text without a message, and the console programs, which must say why,
// give `message`. A write that finds the field emptied at its own step (after the checks
// passed) stops there with `message` when `stops_write` is set.
struct WhenEmpty {
  bool refused = false;
  bool stops_write = false;
  uint32_t message = 0;
};

struct WriteStep {
  uint32_t prefix;   // the set command's text before the value: "%ID=" ...
  uint32_t status;   // the status line while the step waits
  int poll_limit;    // 100 ms polls for "OK"
  uint32_t failure;  // the message when no "OK" comes
  bool trimmed;      // the value is sent trimmed (only the three combo boxes)
};

struct Setting {
  Key key;
  std::string_view name;  // "ID" ... "SS2", as the console program and the formats spell it
  UnitId unit;            // the field that holds it
  int listing_line;       // its line in the "%LIST" reply, 1 to 13 (line 0 is not read)
  FromListing from_listing;
  FromFile from_file;
  bool saved_trimmed;     // the settings file keeps it trimmed (all but the IP address)
  WriteStep write;
  Check check;
  uint32_t check_message;  // the check's message; 0 for None
  WhenEmpty when_empty = {};  // all but HT and OT pass the empty text to their check
};

namespace settings_rows {
namespace t = texts;
namespace u = unit;
using L = FromListing;
using F = FromFile;
using C = Check;
inline constexpr std::array<Setting, kSettingCount> kRows = {{
    {Key::ID, "ID", u::kDeviceId, 1, L::UnsetEmpty, F::AsIs, true,
     {t::prefix_id, t::status_set_id, 40, t::msg_fail_id, false}, C::DeviceId, t::msg_bad_device_id},
    {Key::IP, "IP", u::kServerIp, 2, L::AsIs, F::AsIs, false,
     {t::prefix_ip, t::status_set_ip, 40, t::msg_fail_ip, false}, C::None, 0},
    {Key::PT, "PT", u::kServerPort, 3, L::UnsetEmptyElseNumber, F::EmptyElseNumber, true,
     {t::prefix_pt, t::status_set_pt, 40, t::msg_fail_pt, false}, C::ServerPort, t::msg_bad_server_port},
    {Key::DN, "DN", u::kDomain, 4, L::UnsetEmpty, F::AsIs, true,
     {t::prefix_dn, t::status_set_dn, 60, t::msg_fail_dn, false}, C::None, 0},
    {Key::AP, "AP", u::kApn, 5, L::UnsetEmpty, F::AsIs, true,
     {t::prefix_ap, t::status_set_ap, 40, t::msg_fail_ap, true}, C::None, 0},
    {Key::TM, "TM", u::kTransferMode, 6, L::AsIs, F::AsIs, true,
     {t::prefix_tm, t::status_set_tm, 40, t::msg_fail_tm, true}, C::None, 0},
    {Key::UB, "UB", u::kWorkBaud, 7, L::AsIs, F::AsIs, true,
     {t::prefix_ub, t::status_set_ub, 40, t::msg_fail_ub, true}, C::WorkBaud, t::msg_bad_work_baud},
    {Key::HT, "HT", u::kHeartbeat, 9, L::Number, F::Number, true,
     {t::prefix_ht, t::status_set_ht, 40, t::msg_fail_ht, false}, C::Heartbeat, t::msg_bad_heartbeat,
     {true, false, t::msg_bad_heartbeat}},
    {Key::OT, "OT", u::kCharTimeout, 8, L::Number, F::Number, true,
     {t::prefix_ot, t::status_set_ot, 40, t::msg_fail_ot, false}, C::CharTimeout, t::msg_bad_char_timeout,
     {true, true, t::msg_char_timeout_empty}},
    {Key::RV1, "RV1", u::kRing1, 10, L::UnsetEmpty, F::AsIs, true,
     {t::prefix_rv1, t::status_set_rv1, 60, t::msg_fail_rv1, false}, C::PhoneNumber, t::msg_bad_ring1},
    {Key::RV2, "RV2", u::kRing2, 11, L::UnsetEmpty, F::AsIs, true,
     {t::prefix_rv2, t::status_set_rv2, 60, t::msg_fail_rv2, false}, C::PhoneNumber, t::msg_bad_ring2},
    {Key::SS1, "SS1", u::kSms1, 12, L::UnsetEmpty, F::AsIs, true,
     {t::prefix_ss1, t::status_set_ss1, 60, t::msg_fail_ss1, false}, C::PhoneNumber, t::msg_bad_sms1},
    {Key::SS2, "SS2", u::kSms2, 13, L::UnsetEmpty, F::AsIs, true,
     {t::prefix_ss2, t::status_set_ss2, 60, t::msg_fail_ss2, false}, C::PhoneNumber, t::msg_bad_sms2},
}};
}  // namespace settings_rows

inline constexpr const std::array<Setting, kSettingCount>& kSettings = settings_rows::kRows;

constexpr const Setting& setting(Key key) { return kSettings[index_of(key)]; }

// The orders the formats fix: the settings file's (and the write's), and the listing's.
inline constexpr std::string_view kFileOrder = "ID IP PT DN AP TM UB HT OT RV1 RV2 SS1 SS2";
inline constexpr std::string_view kListingOrder = "ID IP PT DN AP TM UB OT HT RV1 RV2 SS1 SS2";

namespace settings_check {
// The n-th blank-separated word of `words` (from 0); empty past the last.
constexpr std::string_view word(std::string_view words, size_t n) {
  size_t start = 0;
  for (; n > 0; --n) {
    const size_t blank = words.find(' ', start);
    if (blank == std::string_view::npos) return {};
    start = blank + 1;
  }
  return words.substr(start, words.find(' ', start) - start);
}
}  // namespace settings_check

// True when the rows follow the file order (row n is key n, named as the formats name it),
// every listing line 1 to 13 belongs to the setting the listing order puts there, no two
// rows share a field, and a field refused when empty has words for it. A row moved or two
// rows swapped make it false.
constexpr bool settings_table_sound(const std::array<Setting, kSettingCount>& rows) {
  for (size_t n = 0; n < kSettingCount; ++n) {
    const Setting& s = rows[n];
    if (index_of(s.key) != n || s.name != settings_check::word(kFileOrder, n)) return false;
    if (s.listing_line < 1 || s.listing_line > static_cast<int>(kSettingCount)) return false;
    if (s.name != settings_check::word(kListingOrder, static_cast<size_t>(s.listing_line - 1))) return false;
    if ((s.check == Check::None) != (s.check_message == 0)) return false;
    const WhenEmpty& e = s.when_empty;
    if (e.refused != (e.message != 0) || (e.stops_write && !e.refused)) return false;
    for (size_t m = 0; m < n; ++m)
      if (rows[m].unit.id == s.unit.id || rows[m].listing_line == s.listing_line) return false;
  }
  return settings_check::word(kFileOrder, kSettingCount).empty();
}
static_assert(settings_table_sound(kSettings), "the settings table is out of the formats' order");

// The setting named `name` in any letter case ("pt" is PT); none for an unknown name.
constexpr std::optional<Key> find_setting(std::string_view name) {
  for (const Setting& s : kSettings) {
    if (s.name.size() != name.size()) continue;
    bool same = true;
    for (size_t c = 0; c < name.size() && same; ++c) {
      char ch = name[c];
      if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
      same = ch == s.name[c];
    }
    if (same) return s.key;
  }
  return std::nullopt;
}

}  // namespace app
