// Wall time of dtu-setup-cli writing eight simulated DTUs at once, divided by the time it
// takes to write one: what handling a batch in parallel costs over a single DTU. Each run
// is the whole program (start, boot wait, read, thirteen commands, end); the DTUs answer
// at once at 115200 baud, so the tool's own waits dominate. Goal: at most 1.15.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/child_processes.h"
#include "tools/dtu-sim/pty_client.h"

namespace {

namespace fs = std::filesystem;

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// One whole run of the program; its wall time in ms, or a negative value when it failed.
double timed_write(const std::vector<std::string>& ports) {
  std::vector<std::string> args = {"write", "--baud", "115200", "--boot-wait", "20", "--set", "ID=BENCH"};
  for (const auto& p : ports) args.insert(args.end(), {"--port", p});
  platform::ChildProcesses program;
  std::string error;
  const auto start = std::chrono::steady_clock::now();
  if (!program.start(DTU_SETUP_CLI_PROGRAM, args, error)) return -1;
  program.wait_all([](size_t, platform::ChildStream, std::string_view) {});
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  return program.exit_status(0) == 0 ? ms : -1;
}

}  // namespace

int main() {
  std::random_device rd;
  const fs::path dir = fs::temp_directory_path() / ("dtu-bench-fleet-" + std::to_string(rd()));
  fs::create_directories(dir);
  std::vector<std::unique_ptr<dtusim::SimProcess>> sims;
  std::vector<std::string> ports;
  for (int i = 0; i < 8; ++i) {
    const std::string link = (dir / ("dtu" + std::to_string(i))).string();
    std::string error;
    auto sim = dtusim::SimProcess::start(
        DTU_SIM_PROGRAM, {"--baud", "115200", "--reply-delay", "0", "--boot-delay", "100", "--quiet", "--link", link},
        (dir / ("dtu" + std::to_string(i) + ".log")).string(), error);
    if (!sim || sim->read_line(10'000).empty()) {
      std::printf("batch_fleet_ratio: dtu-sim did not start: %s\n", error.c_str());
      return 1;
    }
    sims.push_back(std::move(sim));
    ports.push_back(link);
  }
  std::vector<double> ratios;
  for (int run = 1; run <= 3; ++run) {
    const double one = timed_write({ports.front()});
    const double eight = timed_write(ports);
    std::printf("run %d: one DTU %.0f ms, eight DTUs %.0f ms\n", run, one, eight);
    if (one <= 0 || eight <= 0) {
      std::puts("batch_fleet_ratio: a write failed");
      return 1;
    }
    ratios.push_back(eight / one);
  }
  sims.clear();
  std::error_code ec;
  fs::remove_all(dir, ec);
  std::printf("batch_fleet_ratio=%.3f\n", median(ratios));
  return 0;
}
