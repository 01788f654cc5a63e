// What job status and job export print, from a job's summary: the status as a few lines or
// one JSON object, the units as CSV (a header row, one row per unit) or one JSON object per
// unit per line.
#pragma once

#include <string>

#include "main/provision/job_summary.h"

namespace provision {

std::string status_text(const JobSummary& s);
std::string status_json(const JobSummary& s);
std::string export_csv(const JobSummary& s);
std::string export_json(const JobSummary& s);

// "set aside" for set_aside, "in doubt" for in_doubt ...
std::string state_words(journal::UnitState state);

}  // namespace provision
