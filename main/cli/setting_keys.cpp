#include "main/cli/setting_keys.h"

#include "app_texts.h"

namespace cli {

const std::array<SettingKey, kSettingCount>& setting_keys() {
  namespace u = app::unit;
  namespace t = app::texts;
  static constexpr std::array<SettingKey, kSettingCount> kKeys = {{
      {"ID", u::kDeviceId, t::status_set_id},       {"IP", u::kServerIp, t::status_set_ip},
      {"PT", u::kServerPort, t::status_set_pt},     {"DN", u::kDomain, t::status_set_dn},
      {"AP", u::kApn, t::status_set_ap},            {"TM", u::kTransferMode, t::status_set_tm},
      {"UB", u::kWorkBaud, t::status_set_ub},       {"HT", u::kHeartbeat, t::status_set_ht},
      {"OT", u::kCharTimeout, t::status_set_ot},    {"RV1", u::kRing1, t::status_set_rv1},
      {"RV2", u::kRing2, t::status_set_rv2},        {"SS1", u::kSms1, t::status_set_ss1},
      {"SS2", u::kSms2, t::status_set_ss2},
  }};
  return kKeys;
}

std::optional<size_t> find_setting_key(std::string_view name) {
  const auto& keys = setting_keys();
  for (size_t i = 0; i < keys.size(); ++i) {
    const std::string_view key = keys[i].name;
    if (key.size() != name.size()) continue;
    bool same = true;
    for (size_t c = 0; c < key.size() && same; ++c) {
      char ch = name[c];
      if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
      same = ch == key[c];
    }
    if (same) return i;
  }
  return std::nullopt;
}

}  // namespace cli
