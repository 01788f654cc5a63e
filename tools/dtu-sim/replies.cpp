#include "tools/dtu-sim/replies.h"

namespace dtusim {

std::string boot_text() {
  return "\r\nGPRS DTU loader V1.2\r\nFirmware V3.05 build 2012-08-16\r\nModem self test done\r\n";
}

std::string boot_banner() { return "Press %%%%%%%%% into setting mode\r\n"; }

std::string enter_reply() { return "\r\nSystem enter setting mode\r\n"; }

std::string ok_reply() { return "OK\r\n"; }

std::string error_reply() { return "ERROR\r\n"; }

std::string listing(const Settings& settings, const Faults& faults) {
  std::string lines[kSettingCount + 1];
  lines[0] = "Current settings:";
  size_t shown = faults.short_listing.value_or(kSettingCount);
  for (size_t i = 0; i < kSettingCount; ++i) {
    Key key = static_cast<Key>(i);
    std::string value = settings.get(key);
    if (value.empty()) value = kUnsetMarker;
    else if (key == Key::PT && faults.port_zeros) value = "0" + value;
    if (faults.separator_in == key) value += "= x";
    lines[i + 1] = std::string(key_name(key)) + "= " + value;
  }
  std::string out;
  for (size_t n = 0; n <= shown; ++n) {
    if (faults.nul_at_line == n) out += '\0';
    out += lines[n] + "\r\n";
    if (n > 0 && faults.blank_line_after == n) out += "\r\n";
  }
  return out + ok_reply();
}

std::string server_line(uint64_t n) {
  std::string number = std::to_string(n);
  return "DATA " + std::string(number.size() < 8 ? 8 - number.size() : 0, '0') + number +
         " temperature=21.5 pressure=1013 flow=37.2 state=RUN\r\n";
}

std::string garbage(size_t count, uint32_t& seed) {
  std::string out;
  while (out.size() < count) {
    seed = seed * 1103515245u + 12345u;
    out += static_cast<char>(0x80 | ((seed >> 16) & 0x7F));
  }
  return out;
}

}  // namespace dtusim
