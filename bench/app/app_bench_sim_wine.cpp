// The simulated DTU for the Windows build under Wine: dtu-sim runs on the host, its
// pseudo-terminal linked as COM2 in the Wine prefix's devices. A Windows process cannot wait
// for or signal a host process, so a host shell script starts and stops it (wine_sim.sh).
#include <filesystem>
#include <random>

#include "bench/app/app_bench_support.h"
#include "tests/platform/win32_user.h"

namespace bench_app {

struct Simulator::State {
  std::string dir;  // on the host: the simulator's process id, log, and the script's "done"
  bool running = false;
};

namespace {

bool run_script(const std::vector<std::string>& args, const std::string& dir) {
  std::vector<std::string> argv = {"/bin/sh", DTU_WINE_SIM_SCRIPT};
  argv.insert(argv.end(), args.begin(), args.end());
  return win32_user::run_host_program(argv, dir + "/done", 10000);
}

}  // namespace

Simulator::Simulator(std::unique_ptr<State> state) : state_(std::move(state)) {}
Simulator::~Simulator() { stop(); }

std::unique_ptr<Simulator> Simulator::start(const std::vector<std::string>& args) {
  auto state = std::make_unique<State>();
  state->dir = "/tmp/dtu-bench-sim-" + std::to_string(std::random_device{}());
  std::vector<std::string> start = {"start", DTU_SIM_PROGRAM, DTU_WINE_DOSDEVICES "/com2", state->dir};
  start.insert(start.end(), args.begin(), args.end());
  if (!run_script(start, state->dir)) return nullptr;
  state->running = true;
  return std::unique_ptr<Simulator>(new Simulator(std::move(state)));
}

void Simulator::stop() {
  if (!state_->running) return;
  state_->running = false;
  run_script({"stop", state_->dir}, state_->dir);
  std::error_code ec;
  std::filesystem::remove_all("Z:" + state_->dir, ec);
}

}  // namespace bench_app
