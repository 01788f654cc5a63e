// The production commands of the console program: job create, status, export and report,
// and provision, which runs one port in this process or several as one bench (a process
// per port, their lines passed on as they come).
#pragma once

#include <string>
#include <vector>

#include "platform/headless/headless_backend.h"

namespace provision {

// `args` starts with "job" or "provision"; the process exit status.
int run_production(const std::vector<std::string>& args, const platform::headless::SerialOpener& devices);

}  // namespace provision
