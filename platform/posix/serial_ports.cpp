// Linux keeps no list of COM ports: COM<n> is whatever the tool's port table maps it to.
#include "platform/serial_ports.h"

namespace platform {

std::optional<std::vector<ListedPort>> listed_serial_ports() { return std::nullopt; }

}  // namespace platform
