// Several DTUs at once: one child process of this program per port (the tool has one set
// of globals, so one process holds one DTU). Progress lines of each child are passed on at
// once, prefixed with its port; results are printed whole, in the order of the --port
// options; the exit status is the highest of the children's.
#pragma once

#include "main/cli/options.h"

namespace cli {

int run_fleet(const Options& options);

// Any thread: passes a stop request on to every child still running, as an interrupt
// (Ctrl-C) or as the system's request to end.
void stop_fleet(bool interrupt);

}  // namespace cli
