// What the whole-tool benchmarks share: the program started on the real window in a fresh
// folder, and the simulated DTU as a separate program on a pseudo-terminal that is the
// tool's COM2. The window is this build's (bench/platform/bench_window.h); the simulator is
// started the way this build's system can start it (app_bench_sim_*.cpp).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/backend.h"

namespace bench_app {

class Simulator {
 public:
  // Starts dtu-sim with `args` on COM2. Null on failure.
  static std::unique_ptr<Simulator> start(const std::vector<std::string>& args);
  ~Simulator();  // stops it if still running
  void stop();

  struct State;

 private:
  explicit Simulator(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

// Opens this build's windowed backend and starts the tool up to its shown main form, in `dir`.
platform::Backend& start_tool(const std::string& dir);

std::string temp_dir(const std::string& name);
double median(std::vector<double> values);

}  // namespace bench_app
