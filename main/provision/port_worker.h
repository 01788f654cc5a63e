// One port of a bench: DTU after DTU until the job is done or the bench is stopped. Each
// DTU is waited for (the technician plugs and powers it), read, recognised by the ID it
// reports (a unit done before, one in doubt, one that failed earlier) or given the next
// pending unit, written, read back and compared value by value, and journaled.
#pragma once

#include <string>

#include "main/provision/job_commands.h"
#include "main/provision/production_options.h"
#include "platform/headless/headless_backend.h"

namespace provision {

// Runs the port `options.ports[0]` in this process; the exit status (0: the job is done).
int run_port(const ProductionOptions& options, const platform::headless::SerialOpener& devices, const Console& console);

// Any thread: stops the running port in order (a claim it holds goes back, a write it cuts
// is left in doubt), then ends the process with `exit_status`.
void stop_port(int exit_status, const char* what);

}  // namespace provision
