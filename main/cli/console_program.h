// The console program dtu-setup-cli: its command line, then the ports listing, one DTU, or
// several DTUs at once. The composing main supplies the system's serial devices.
#pragma once

#include <string>
#include <vector>

#include "platform/headless/headless_backend.h"

namespace cli {

struct ConsoleSystem {
  platform::headless::SerialOpener open_device;
};

// The process exit status.
int run_console(const std::vector<std::string>& args, const ConsoleSystem& system);

}  // namespace cli
