// What durable commits cost one bench: the journal's own work for one unit (claim, start of
// the write, its steps noted, done) on an SQLite file in the system's temporary folder, with
// every commit synced to the disk as the journal runs (synchronous=FULL) and with commits
// synced only at checkpoints (NORMAL, which a power cut can take back). The headline figure
// is the extra time FULL costs a unit over the unit's own write and read-back (14 exchanges of
// 505 ms): what a bench loses to durability.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "main/journal/journal.h"

namespace {

namespace fs = std::filesystem;

constexpr int kUnits = 200;
constexpr double kUnitMs = 14 * 505.0;

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The median journal time of one unit with the given setting.
double unit_ms(const fs::path& dir, const std::string& synchronous) {
  const std::string db = (dir / (synchronous + ".sqlite")).string();
  auto j = journal::Journal::open(db, true);
  j->db().query("PRAGMA synchronous=" + synchronous);
  journal::NewJob plan;
  plan.name = synchronous;
  plan.base_file = "base.txt";
  plan.keys = {"ID"};
  for (int i = 0; i < kUnits; ++i) {
    journal::Values v(journal::kValueCount, "x");
    v[0] = synchronous + "-" + std::to_string(i);
    plan.units.push_back(v);
  }
  plan.base = plan.units.front();
  const int64_t job = j->create_job(plan).id;
  const int64_t session = j->open_session(job, {"bench", "COM5", "host", 1}, 60000);
  std::vector<double> times;
  for (int i = 0; i < kUnits; ++i) {
    const auto start = std::chrono::steady_clock::now();
    const auto unit = j->claim_next(job, session);
    j->start_writing(job, unit->seq, session, unit->target);
    for (const char* step : {"ID", "PT", "SS2", "read-back"}) j->note_step(job, unit->seq, session, step);
    j->finish(job, unit->seq, session, unit->target, 7000);
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  return median(times);
}

}  // namespace

int main() {
  std::random_device rd;
  const fs::path dir = fs::temp_directory_path() / ("dtu-bench-durability-" + std::to_string(rd()));
  fs::create_directories(dir);
  const double normal = unit_ms(dir, "NORMAL");
  const double full = unit_ms(dir, "FULL");
  std::error_code ec;
  fs::remove_all(dir, ec);
  std::printf("journal time per unit: %.2f ms with synchronous=FULL, %.2f ms with NORMAL (a unit's write and read-back: %.0f ms)\n",
              full, normal, kUnitMs);
  std::printf("durability_cost=%.4f\n", (full - normal) / kUnitMs);
  return 0;
}
