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
  // "" = one DTU for good. Otherwise a new DTU (factory settings) takes the place of one that
  // was written and then read when the port is closed, as a technician swaps units on a
  // production bench; each finished one's settings are kept in this folder as
  // unit-001.state, unit-002.state ...
  std::string swap_dir;
  uint32_t boot_delay_ms = 1000;  // from the port being opened to the boot
  bool quiet = false;
  bool help = false;
};

// Returns "" or a message naming the bad argument.
std::string parse_options(const std::vector<std::string>& args, Options& options);
std::string help_text(const std::string& program);

}  // namespace dtusim
