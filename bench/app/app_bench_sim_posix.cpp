// The simulated DTU on Linux: dtu-sim as a child process, COM2 pointed at its terminal.
#include <cstdlib>

#include "bench/app/app_bench_support.h"
#include "tools/dtu-sim/pty_client.h"

namespace bench_app {

struct Simulator::State {
  std::unique_ptr<dtusim::SimProcess> process;
};

Simulator::Simulator(std::unique_ptr<State> state) : state_(std::move(state)) {}
Simulator::~Simulator() { stop(); }

std::unique_ptr<Simulator> Simulator::start(const std::vector<std::string>& args) {
  std::string error;
  auto state = std::make_unique<State>();
  state->process = dtusim::SimProcess::start(DTU_SIM_PROGRAM, args, "/dev/null", error);
  if (!state->process) return nullptr;
  const std::string pty = state->process->read_line(10000);
  if (pty.empty()) return nullptr;
  setenv("DTU_SETUP_COM2", pty.c_str(), 1);
  return std::unique_ptr<Simulator>(new Simulator(std::move(state)));
}

void Simulator::stop() {
  if (state_->process) state_->process->stop();
  state_->process.reset();
}

}  // namespace bench_app
