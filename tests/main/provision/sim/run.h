// One production run played from a seed: a job, benches of ports running the real port flow
// and journal against the real database, a technician who plugs, powers, retries, reworks
// and throws away DTUs, a person who settles units, and a schedule of faults. After it, the
// promise is checked: no job ID on two DTUs, every unit done or set aside with its reason,
// the job ended, the journal's events replaying to its state, every bench that waited having
// said what for, and no database error ending a bench but by waiting or exit status 7.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

struct RunOptions {
  std::string database;  // "sqlite", or a PostgreSQL URL whose tables each run makes afresh
  std::string folder;    // scratch folder for SQLite files
  bool trace = false;
};

struct RunOutcome {
  std::vector<std::string> violations;
  std::vector<std::string> trace;
  std::string summary;   // what was played: benches, units, faults
};

RunOutcome run_seed(uint64_t seed, const RunOptions& options);

}  // namespace sim
