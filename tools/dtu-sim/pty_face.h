// Runs the simulated DTU on a pseudo-terminal until it is told to stop.
#pragma once

#include "tools/dtu-sim/options.h"

namespace dtusim {

// Returns the process exit code.
int run_pty_face(const Options& options);

}  // namespace dtusim
