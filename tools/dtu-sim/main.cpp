// dtu-sim: a simulated DTU on a pseudo-terminal, for trying the setup tool without a device.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/dtu-sim/options.h"
#include "tools/dtu-sim/pty_face.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  dtusim::Options options;
  std::string error = dtusim::parse_options(args, options);
  if (!error.empty()) {
    std::fprintf(stderr, "dtu-sim: %s (see --help)\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(dtusim::help_text("dtu-sim").c_str(), stdout);
    return 0;
  }
  return dtusim::run_pty_face(options);
}
