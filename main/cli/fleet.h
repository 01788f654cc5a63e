// Several DTUs at once: one child process of this program per port (the tool has one set
// of globals, so one process holds one DTU). Progress lines of each child are passed on at
// once, prefixed with its port; results are printed whole, in the order of the --port
// options; the exit status is the highest of the children's.
#pragma once

#include "main/cli/options.h"

namespace cli {

int run_fleet(const Options& options);

}  // namespace cli
