// job report: one self-contained HTML page (no script, nothing fetched) with the job's
// progress, a chart of units per hour per bench and one of failures by step (inline SVG),
// and the table of units. Every text from the journal is escaped: a DTU whose DN reads
// <script> shows those characters.
#pragma once

#include <string>
#include <string_view>

#include "main/provision/job_summary.h"

namespace provision {

std::string report_html(const JobSummary& s);
std::string html_escape(std::string_view text);

}  // namespace provision
