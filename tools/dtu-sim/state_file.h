// The simulated DTU's memory on disk: one "KEY=value" line per setting, in listing order,
// so a session's outcome can be checked after it ends.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/dtu-sim/settings.h"

namespace dtusim {

std::string format_state(const Settings& settings);

// Starts from the factory settings and applies each "KEY=value" line. Unknown keys, lines
// without "=" and values the device would refuse are skipped and described in `problems`.
Settings parse_state(std::string_view text, std::vector<std::string>& problems);

struct LoadedState {
  bool found = false;  // false: no such file; the factory settings apply
  Settings settings = Settings::factory();
  std::vector<std::string> problems;  // also holds a read error
};
LoadedState load_state(const std::string& path);

// Writes through a temporary file and a rename, so a crash never leaves half a file.
// Returns "" or an error message.
std::string save_state(const std::string& path, const Settings& settings);

}  // namespace dtusim
