// How a claim's time grows when many benches claim at once: the median time of one claim
// (lapsed leases settled, the next pending unit taken) with 12 benches claiming at the same
// moment, each on a connection of its own, over the median with one bench claiming alone.
// On a PostgreSQL server started for the run (tests/main/journal/pg_server.sh, in a scratch
// folder) as a plant runs one, every commit flushed to disk: the headline figure. Goal: at
// most 3. For comparison, the same on a server that flushes nothing (as the tests run it),
// where a claim is pure processor time and twelve at once share this machine's two cores.
#include <algorithm>
#include <barrier>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "main/journal/journal.h"

namespace {

constexpr int kBenches = 12;
constexpr int kRounds = 60;       // claims per bench with all benches at once
constexpr int kAloneClaims = 240;

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

struct Server {
  std::string dir;
  bool start(bool durable) {
    std::random_device rd;
    dir = "/tmp/dtu-pg-bench-" + std::to_string(rd() % 1000000);
    const std::string mode = durable ? "DTU_PG_DURABLE=1 " : "DTU_PG_DURABLE=0 ";
    return std::system((mode + "sh " DTU_PG_SERVER_SCRIPT " start " + dir + " >/dev/null").c_str()) == 0;
  }
  ~Server() {
    if (!dir.empty()) std::system(("sh " DTU_PG_SERVER_SCRIPT " stop " + dir).c_str());
  }
  std::string url() const { return "postgresql:///dtu_test?host=" + dir + "&user=dtu"; }
};

journal::NewJob job(const std::string& name, int units) {
  journal::NewJob plan;
  plan.name = name;
  plan.base_file = "base.txt";
  plan.keys = {"ID"};
  for (int i = 0; i < units; ++i) {
    journal::Values v(journal::kValueCount, "");
    v[0] = name + "-" + std::to_string(i);
    plan.units.push_back(v);
  }
  plan.base = plan.units.front();
  return plan;
}

double ms_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Each bench claims `claims` units, all benches starting each claim together; every
// claim's time in ms.
std::vector<double> claim_together(const std::string& url, int64_t job_id, int benches, int claims) {
  std::vector<std::vector<double>> times(static_cast<size_t>(benches));
  std::barrier together(benches);
  std::vector<std::thread> threads;
  for (int b = 0; b < benches; ++b)
    threads.emplace_back([&, b] {
      auto j = journal::Journal::open(url, false);
      const int64_t session = j->open_session(job_id, {"bench-" + std::to_string(b), "COM5", "bench", b}, 600000);
      for (int c = 0; c < claims; ++c) {
        together.arrive_and_wait();
        const auto start = std::chrono::steady_clock::now();
        const auto unit = j->claim_next(job_id, session);
        times[static_cast<size_t>(b)].push_back(unit ? ms_since(start) : -1);
      }
    });
  for (auto& t : threads) t.join();
  std::vector<double> all;
  for (const auto& t : times) all.insert(all.end(), t.begin(), t.end());
  return all;
}

}  // namespace

// The ratio on a fresh server; 0 when something failed.
double measure(bool durable) {
  Server server;
  if (!server.start(durable)) {
    std::puts("claim_latency_ratio: the PostgreSQL server did not start");
    return 0;
  }
  std::vector<double> alone, together;
  {
    auto j = journal::Journal::open(server.url(), true);
    const int64_t single = j->create_job(job("alone", kAloneClaims)).id;
    const int64_t many = j->create_job(job("together", kBenches * kRounds)).id;
    claim_together(server.url(), single, 1, 20);  // warm the server's caches
    alone = claim_together(server.url(), single, 1, kAloneClaims - 20);
    together = claim_together(server.url(), many, kBenches, kRounds);
  }
  if (std::count(alone.begin(), alone.end(), -1.0) || std::count(together.begin(), together.end(), -1.0)) {
    std::puts("claim_latency_ratio: a claim found no unit");
    return 0;
  }
  const double m1 = median(alone), m12 = median(together);
  std::printf("%s: one bench alone, median claim %.3f ms over %zu claims; %d benches at once, %.3f ms over %zu\n",
              durable ? "commits flushed to disk" : "nothing flushed", m1, alone.size(), kBenches, m12, together.size());
  return m12 / m1;
}

int main() {
  const double volatile_ratio = measure(false);
  const double ratio = measure(true);
  if (ratio == 0 || volatile_ratio == 0) return 1;
  std::printf("nothing flushed: ratio %.2f\n", volatile_ratio);
  std::printf("claim_latency_ratio=%.2f\n", ratio);
  return 0;
}
