// The COM ports the system itself knows of, found without opening any: opening a port to
// see whether it is there can block for seconds (Bluetooth ports) and pulses the modem lines
// of the rest. USB adapters get whatever number the system hands out, often above COM15.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

struct ListedPort {
  int number = 0;      // n of COM<n>
  std::string name;    // "COM23"
  std::string device;  // the system's name of the device behind it, e.g. \Device\VCP0
};

// The ports in order of number (Windows: its registry's serial-port map); nullopt where the
// system keeps no such list (Linux: the tool's own port table says what COM<n> is).
std::optional<std::vector<ListedPort>> listed_serial_ports();

}  // namespace platform
