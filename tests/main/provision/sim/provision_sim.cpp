// Whole production runs under seeded faults:
//   provision_sim --seeds N [--first S] [--db sqlite|URL]   plays seeds S .. S+N-1, prints each
//                                                          failing seed, ends with "N seeds, K violations"
//   provision_sim --seed S [--db ...]                       replays one seed with the trace of what happened
// The exit status is 0 when no seed broke the promise, 1 otherwise, 2 for a wrong command line.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/main/provision/sim/run.h"
#include "tests/platform/scratch_dir.h"

namespace {

int usage() {
  std::fprintf(stderr, "usage: provision_sim --seeds N [--first S] [--db sqlite|postgresql://...]\n"
                       "       provision_sim --seed S [--db sqlite|postgresql://...]\n");
  return 2;
}

bool number(const char* text, uint64_t& out) {
  char* end = nullptr;
  out = std::strtoull(text, &end, 10);
  return *text && *end == '\0';
}

}  // namespace

int main(int argc, char** argv) {
  uint64_t seeds = 0, first = 1, one = 0;
  bool replay = false;
  sim::RunOptions options;
  options.database = "sqlite";
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) return usage();
    const char* value = argv[++i];
    if (arg == "--seeds" && number(value, seeds)) continue;
    if (arg == "--first" && number(value, first)) continue;
    if (arg == "--seed" && number(value, one)) {
      replay = true;
      continue;
    }
    if (arg == "--db") {
      options.database = value;
      continue;
    }
    return usage();
  }
  if (replay == (seeds != 0)) return usage();
  // The journal's files in memory where the system has such a folder: the disk is modelled.
  if (!std::getenv("TMPDIR") && ::access("/dev/shm", W_OK) == 0) ::setenv("TMPDIR", "/dev/shm", 1);
  platform_test::ScratchDir scratch;
  options.folder = scratch.path();
  if (replay) {
    options.trace = true;
    const sim::RunOutcome out = sim::run_seed(one, options);
    std::printf("seed %llu: %s\n", static_cast<unsigned long long>(one), out.summary.c_str());
    for (const auto& line : out.trace) std::printf("%s\n", line.c_str());
    for (const auto& v : out.violations) std::printf("violation: %s\n", v.c_str());
    std::printf("%zu violations\n", out.violations.size());
    return out.violations.empty() ? 0 : 1;
  }
  const auto start = std::chrono::steady_clock::now();
  uint64_t violations = 0;
  for (uint64_t seed = first; seed < first + seeds; ++seed) {
    const sim::RunOutcome out = sim::run_seed(seed, options);
    if (out.violations.empty()) continue;
    violations += out.violations.size();
    std::printf("seed %llu (%s): %s\n", static_cast<unsigned long long>(seed), out.summary.c_str(),
                out.violations.front().c_str());
    std::fflush(stdout);
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%llu seeds, %llu violations (%.1f s)\n", static_cast<unsigned long long>(seeds),
              static_cast<unsigned long long>(violations), seconds);
  return violations == 0 ? 0 : 1;
}
