// What the whole-tool benchmarks share: the program started on the real window in a fresh
// folder, and the simulated DTU as a separate program on a pseudo-terminal.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/qt/qt_backend.h"
#include "tools/dtu-sim/pty_client.h"

namespace bench_app {

// Starts dtu-sim with `args`, points COM2 at its pseudo-terminal. Null on failure.
std::unique_ptr<dtusim::SimProcess> start_simulator(const std::vector<std::string>& args);

// Creates the Qt backend and starts the tool up to its shown main form, in `dir`.
std::unique_ptr<platform::qt::QtBackend> start_tool(const std::string& dir);

std::string temp_dir(const std::string& name);
double median(std::vector<double> values);

}  // namespace bench_app
