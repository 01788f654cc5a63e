#include "main/provision/job_outputs.h"

#include <cstdio>

#include "main/cli/report.h"
#include "main/provision/units_csv.h"

namespace provision {
namespace {

using cli::json_string;
using cli::settings_json;

std::string fixed(double value, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// A cell a spreadsheet would take for a formula (or a number: "+86...") is kept as text by a
// leading apostrophe, which spreadsheets show as nothing. Values from CSV files and DTUs
// both reach the export.
std::string sheet_cell(const std::string& value) {
  const bool runs = !value.empty() && (value[0] == '=' || value[0] == '+' || value[0] == '-' || value[0] == '@' ||
                                       value[0] == '\t' || value[0] == '\r');
  return csv_field(runs ? "'" + value : value);
}

}  // namespace

std::string state_words(journal::UnitState state) {
  std::string words(journal::state_name(state));
  for (char& c : words)
    if (c == '_') c = ' ';
  return words;
}

std::string status_text(const JobSummary& s) {
  const journal::Counts& c = s.counts;
  std::string out = "job " + s.job.name + " (" + s.journal_where + "): " + std::to_string(c.total()) + " units\n";
  out += "  pending " + std::to_string(c.pending) + ", claimed " + std::to_string(c.claimed + c.writing) + ", done " +
         std::to_string(c.done) + ", set aside " + std::to_string(c.set_aside + c.in_doubt);
  if (c.in_doubt) out += " (" + std::to_string(c.in_doubt) + " in doubt)";
  out += "\n";
  if (s.benches.empty()) out += "  no unit done yet\n";
  for (const BenchRate& b : s.benches)
    out += "  bench " + b.bench + ": " + std::to_string(b.done) + " done, " + fixed(b.per_hour, 1) + " units per hour (" +
           fixed(b.hours, 2) + " h)\n";
  if (s.failures.empty()) {
    out += "  no failures\n";
  } else {
    out += "  failures by step:";
    for (const auto& [step, n] : s.failures) out += " " + step + " " + std::to_string(n);
    out += "\n";
  }
  // What keeps the job from its end, and what each such unit waits for.
  for (const auto& u : s.units) {
    if (u.state == journal::UnitState::SetAside || u.state == journal::UnitState::InDoubt)
      out += "  " + u.dtu_id + " " + state_words(u.state) + ": " + u.reason + "\n";
    if (u.state == journal::UnitState::InDoubt)
      out += "    waits for its DTU to boot on any bench, or for a person's answer (job resolve --unit " + u.dtu_id +
             " --to-pool or --set-aside)\n";
    if (u.state == journal::UnitState::Claimed || u.state == journal::UnitState::Writing)
      out += "  " + u.dtu_id + " " + state_words(u.state) + " by bench " + u.bench + ", port " + u.port + "\n";
  }
  return out;
}

std::string status_json(const JobSummary& s) {
  const journal::Counts& c = s.counts;
  std::string out = "{\"job\":" + json_string(s.job.name) + ",\"units\":" + std::to_string(c.total()) +
                    ",\"pending\":" + std::to_string(c.pending) + ",\"claimed\":" + std::to_string(c.claimed + c.writing) +
                    ",\"done\":" + std::to_string(c.done) + ",\"set_aside\":" + std::to_string(c.set_aside + c.in_doubt) +
                    ",\"in_doubt\":" + std::to_string(c.in_doubt) + ",\"finished\":" + (c.finished() ? "true" : "false") +
                    ",\"benches\":[";
  for (size_t i = 0; i < s.benches.size(); ++i) {
    const BenchRate& b = s.benches[i];
    out += std::string(i ? "," : "") + "{\"bench\":" + json_string(b.bench) + ",\"done\":" + std::to_string(b.done) +
           ",\"hours\":" + fixed(b.hours, 4) + ",\"units_per_hour\":" + fixed(b.per_hour, 2) + "}";
  }
  out += "],\"failures_by_step\":{";
  for (size_t i = 0; i < s.failures.size(); ++i)
    out += std::string(i ? "," : "") + json_string(s.failures[i].first) + ":" + std::to_string(s.failures[i].second);
  out += "},\"set_aside_units\":[";
  bool first = true;
  for (const auto& u : s.units) {
    if (u.state != journal::UnitState::SetAside && u.state != journal::UnitState::InDoubt) continue;
    out += std::string(first ? "" : ",") + "{\"id\":" + json_string(u.dtu_id) + ",\"state\":" +
           json_string(journal::state_name(u.state)) + ",\"reason\":" + json_string(u.reason) + ",\"waits_for\":" +
           json_string(u.state == journal::UnitState::InDoubt ? "its DTU or a person" : "a person") + "}";
    first = false;
  }
  return out + "]}\n";
}

std::string export_csv(const JobSummary& s) {
  std::string out = "row,unit,state,attempts,bench,port,done_at,last_failure,reason";
  for (size_t i = 0; i < journal::kValueCount; ++i) out += "," + std::string(journal::value_key(i));
  out += "\n";
  for (const auto& u : s.units) {
    out += std::to_string(u.seq) + "," + sheet_cell(u.dtu_id) + "," + std::string(journal::state_name(u.state)) + "," +
           std::to_string(u.attempts) + "," + sheet_cell(u.bench) + "," + sheet_cell(u.port) + "," +
           iso_time(u.done_ms) + "," + sheet_cell(u.last_failure) + "," + sheet_cell(u.reason);
    for (size_t i = 0; i < journal::kValueCount; ++i) out += "," + (i < u.after.size() ? sheet_cell(u.after[i]) : "");
    out += "\n";
  }
  return out;
}

std::string export_json(const JobSummary& s) {
  std::string out;
  for (const auto& u : s.units) {
    out += "{\"row\":" + std::to_string(u.seq) + ",\"unit\":" + json_string(u.dtu_id) + ",\"state\":" +
           json_string(journal::state_name(u.state)) + ",\"attempts\":" + std::to_string(u.attempts) +
           ",\"bench\":" + json_string(u.bench) + ",\"port\":" + json_string(u.port) + ",\"done_at\":" +
           json_string(iso_time(u.done_ms)) + ",\"last_failure\":" + json_string(u.last_failure) +
           ",\"reason\":" + json_string(u.reason);
    if (!u.after.empty()) out += ",\"settings\":" + settings_json(u.after);
    out += "}\n";
  }
  return out;
}

}  // namespace provision
