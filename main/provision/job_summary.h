// What a job's journal says, gathered once for job status, job export and job report:
// the units and their counts, each bench's rate, the failures by step and the units done
// over time per bench.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "main/journal/journal.h"

namespace provision {

struct BenchRate {
  std::string bench;
  int done = 0;
  double hours = 0;     // from the bench's first session to its last unit done
  double per_hour = 0;  // done / hours (0 while it has none)
};

// Units done by each bench in one slice of time.
struct TimeSlice {
  int64_t start_ms = 0;
  std::map<std::string, int> done;
};

struct JobSummary {
  journal::Job job;
  std::string journal_where;  // the database, its password hidden
  journal::Counts counts;
  std::vector<journal::Unit> units;
  std::vector<BenchRate> benches;                       // by name
  std::vector<std::pair<std::string, int>> failures;    // by step, the most frequent first
  int64_t slice_ms = 0;                                 // the slices' length
  std::vector<TimeSlice> slices;                        // from the first unit done to the last
  int64_t made_ms = 0;                                  // when this summary was made
};

JobSummary summarize(journal::Journal& journal, const journal::Job& job, int64_t now_ms);

// "2024-05-01T08:30:00Z" (UTC); "" for 0.
std::string iso_time(int64_t ms);
// The wall clock in milliseconds since 1970.
int64_t wall_clock_ms();

}  // namespace provision
