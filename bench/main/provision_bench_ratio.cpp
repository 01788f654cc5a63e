// A production bench: units per hour of one bench with 8 ports over 8 times the rate of a
// bench with one port (goal: at least 0.95), each run a whole `dtu-setup-cli provision`
// against dtu-sim programs in swap mode answering at once at 115200 baud, its journal in an
// SQLite file. A rate is the units done over the time from the bench's first session to its
// last unit done, as the journal has them (the wait for the job's end is not counted).
//
// From the same runs, what one unit costs over the protocol's floor, each exchange taking
// the 500 ms receive window and the wait to the next 101 ms poll (505 ms, as
// write_all_overhead counts): the write and read-back (the time each "done" line prints)
// over one write and one read, 14 exchanges (goal: at most 1.05); and the whole cycle from
// setting mode, with the read that identifies the DTU, over its 15 exchanges.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "main/journal/journal.h"
#include "platform/child_processes.h"
#include "tools/dtu-sim/pty_client.h"

namespace {

namespace fs = std::filesystem;

constexpr int kUnitsPerPort = 4;
constexpr double kExchangeMs = 505;

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

struct Run {
  double units_per_hour = 0;
  std::vector<double> unit_ms, cycle_ms;  // per unit: write and read-back; from setting mode
};

// The number after `prefix` in `text`, or -1.
double number_after(const std::string& text, const std::string& prefix) {
  const size_t at = text.find(prefix);
  return at == std::string::npos ? -1 : std::atof(text.c_str() + at + prefix.size());
}

bool run_bench(const fs::path& dir, const std::string& name, const std::vector<std::string>& ports, Run& run) {
  const std::string db = (dir / (name + ".sqlite")).string();
  const fs::path csv = dir / (name + ".csv");
  {
    std::ofstream out(csv);
    out << "ID\n";
    for (size_t i = 0; i < ports.size() * kUnitsPerPort; ++i) out << name << "-" << i << "\n";
  }
  auto cli = [](const std::vector<std::string>& args) {
    platform::ChildProcesses program;
    std::string error;
    if (!program.start(DTU_SETUP_CLI_PROGRAM, args, error)) return -1;
    program.wait_all([](size_t, platform::ChildStream, std::string_view) {});
    return program.exit_status(0);
  };
  if (cli({"job", "create", "--db", db, "--name", name, "--from", (dir / "base.txt").string(), "--units",
           csv.string()}) != 0)
    return false;
  std::vector<std::string> args = {"provision", "--db", db, "--job", name, "--bench", name, "--baud", "115200"};
  for (const auto& p : ports) args.insert(args.end(), {"--port", p});
  if (cli(args) != 0) return false;

  auto j = journal::Journal::open(db, false);
  const auto job = j->job(name);
  int64_t start = INT64_MAX, last = 0;
  for (const auto& s : j->sessions(job.id)) start = std::min(start, s.started_ms);
  int done = 0;
  for (const auto& u : j->units(job.id))
    if (u.state == journal::UnitState::Done) {
      ++done;
      last = std::max(last, u.done_ms);
    }
  for (const auto& e : j->events(job.id))
    if (e.kind == "done") {
      run.unit_ms.push_back(number_after(e.detail, "written and read back in "));
      run.cycle_ms.push_back(number_after(e.detail, "; "));
    }
  run.units_per_hour = done * 3600000.0 / static_cast<double>(std::max<int64_t>(last - start, 1));
  return done == static_cast<int>(ports.size()) * kUnitsPerPort;
}

}  // namespace

int main() {
  std::random_device rd;
  const fs::path dir = fs::temp_directory_path() / ("dtu-bench-provision-" + std::to_string(rd()));
  fs::create_directories(dir);
  std::ofstream(dir / "base.txt", std::ios::binary)
      << std::string("X//10.0.0.7//9000//dtu.example.org//cmnet//TCP//9600//60//300//13900000001//////13900000004//") +
             '\0';
  std::vector<std::unique_ptr<dtusim::SimProcess>> sims;
  std::vector<std::string> ports;
  for (int i = 0; i < 8; ++i) {
    const std::string base = (dir / ("dtu" + std::to_string(i))).string();
    std::string error;
    auto sim = dtusim::SimProcess::start(DTU_SIM_PROGRAM,
                                         {"--baud", "115200", "--reply-delay", "0", "--boot-delay", "50", "--quiet",
                                          "--link", base, "--swap", base + ".done"},
                                         base + ".log", error);
    if (!sim || sim->read_line(10'000).empty()) {
      std::printf("provision_bench_ratio: dtu-sim did not start: %s\n", error.c_str());
      return 1;
    }
    sims.push_back(std::move(sim));
    ports.push_back(base);
  }
  Run one, eight;
  if (!run_bench(dir, "one", {ports.front()}, one) || !run_bench(dir, "eight", ports, eight)) {
    std::puts("provision_bench_ratio: a run failed");
    return 1;
  }
  sims.clear();
  std::error_code ec;
  fs::remove_all(dir, ec);

  std::vector<double> all_units = one.unit_ms, all_cycles = one.cycle_ms;
  all_units.insert(all_units.end(), eight.unit_ms.begin(), eight.unit_ms.end());
  all_cycles.insert(all_cycles.end(), eight.cycle_ms.begin(), eight.cycle_ms.end());
  std::printf("one port: %.0f units per hour; eight ports: %.0f units per hour\n", one.units_per_hour,
              eight.units_per_hour);
  std::printf("per unit (median of %zu): write and read-back %.0f ms over %.0f ms; from setting mode %.0f ms over %.0f ms\n",
              all_units.size(), median(all_units), 14 * kExchangeMs, median(all_cycles), 15 * kExchangeMs);
  std::printf("unit_cycle_ratio=%.3f\n", median(all_cycles) / (15 * kExchangeMs));
  std::printf("unit_protocol_ratio=%.3f\n", median(all_units) / (14 * kExchangeMs));
  std::printf("provision_bench_ratio=%.3f\n", eight.units_per_hour / (8 * one.units_per_hour));
  return 0;
}
