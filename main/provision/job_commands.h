// job create, job status, job export and job report: each opens the journal, does its work
// and returns the exit status (7 when the journal cannot be reached or used).
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "main/provision/job_summary.h"
#include "main/provision/production_options.h"

namespace provision {

struct Console {
  std::function<void(std::string_view text)> out;       // standard output, as it stands
  std::function<void(std::string_view line)> err;       // one line to standard error
};

int run_job_command(const ProductionOptions& options, const Console& console);

// What job status shows: the job's summary, after settling the claims of benches whose
// lease ran out (so that the status, and what the benches wait for, does not stand still
// at the end of a job).
JobSummary job_status(journal::Journal& journal, const std::string& job, int64_t now_ms);

}  // namespace provision
