// The simulator program's command line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/dtu-sim/config.h"

namespace dtusim {

struct Options {
  Config config;
  std::string state_path;         // "" = settings live only in memory
  std::string link_path;          // "" = no symbolic link to the pseudo-terminal
  uint32_t boot_delay_ms = 1000;  // from the port being opened to the boot
  bool quiet = false;
  bool help = false;
};

// Returns "" or a message naming the bad argument.
std::string parse_options(const std::vector<std::string>& args, Options& options);
std::string help_text(const std::string& program);

}  // namespace dtusim
