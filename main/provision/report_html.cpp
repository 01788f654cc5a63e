#include "main/provision/report_html.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "main/provision/job_outputs.h"

namespace provision {
namespace {

// One colour per bench, in the order of their names, and one per state.
constexpr const char* kBenchColours[] = {"#1f77b4", "#ff7f0e", "#2ca02c", "#9467bd", "#8c564b",
                                         "#e377c2", "#17becf", "#bcbd22", "#7f7f7f", "#d62728"};
struct StateLook {
  journal::UnitState state;
  const char* colour;
};
constexpr StateLook kStateLooks[] = {{journal::UnitState::Done, "#2ca02c"},    {journal::UnitState::Writing, "#1f77b4"},
                                     {journal::UnitState::Claimed, "#6baed6"}, {journal::UnitState::Pending, "#c7c7c7"},
                                     {journal::UnitState::SetAside, "#ff7f0e"}, {journal::UnitState::InDoubt, "#d62728"}};

std::string num(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", v);
  std::string s = text;
  if (s.size() > 2 && s.compare(s.size() - 2, 2, ".0") == 0) s.resize(s.size() - 2);
  return s;
}

int count_of(const journal::Counts& c, journal::UnitState state) {
  switch (state) {
    case journal::UnitState::Pending: return c.pending;
    case journal::UnitState::Claimed: return c.claimed;
    case journal::UnitState::Writing: return c.writing;
    case journal::UnitState::Done: return c.done;
    case journal::UnitState::SetAside: return c.set_aside;
    case journal::UnitState::InDoubt: return c.in_doubt;
  }
  return 0;
}

// A round number at or above `v` for an axis's top: 1, 2 or 5 times a power of ten.
double axis_top(double v) {
  if (v <= 0) return 1;
  const double power = std::pow(10.0, std::floor(std::log10(v)));
  for (double step : {1.0, 2.0, 5.0, 10.0})
    if (step * power >= v) return step * power;
  return 10 * power;
}

std::string hhmm(int64_t ms) { return iso_time(ms).substr(11, 5); }

std::string progress_svg(const JobSummary& s) {
  const int total = std::max(s.counts.total(), 1);
  constexpr double kWidth = 760;
  std::string svg = "<svg class=\"bar\" width=\"760\" height=\"28\" viewBox=\"0 0 760 28\" role=\"img\" "
                    "aria-label=\"progress\">";
  double x = 0;
  for (const StateLook& look : kStateLooks) {
    const int n = count_of(s.counts, look.state);
    if (n == 0) continue;
    const double w = kWidth * n / total;
    svg += "<rect x=\"" + num(x) + "\" y=\"0\" width=\"" + num(w) + "\" height=\"28\" fill=\"" + look.colour +
           "\"><title>" + html_escape(state_words(look.state)) + ": " + std::to_string(n) + "</title></rect>";
    x += w;
  }
  svg += "</svg><p class=\"legend\">";
  for (const StateLook& look : kStateLooks)
    svg += "<span><i style=\"background:" + std::string(look.colour) + "\"></i>" + html_escape(state_words(look.state)) +
           " " + std::to_string(count_of(s.counts, look.state)) + "</span>";
  return svg + "</p>";
}

std::string rate_chart_svg(const JobSummary& s) {
  if (s.slices.empty()) return "<p class=\"none\">No unit done yet.</p>";
  std::vector<std::string> benches;
  for (const BenchRate& b : s.benches) benches.push_back(b.bench);
  const double per_hour = 3600000.0 / static_cast<double>(s.slice_ms);
  double highest = 0;
  for (const TimeSlice& slice : s.slices)
    for (const auto& [bench, n] : slice.done) highest = std::max(highest, n * per_hour);
  const double top = axis_top(highest);
  constexpr double kLeft = 56, kTop = 12, kWidth = 680, kHeight = 200;
  std::string svg = "<svg width=\"760\" height=\"250\" viewBox=\"0 0 760 250\" role=\"img\" "
                    "aria-label=\"units per hour per bench\">";
  for (int tick = 0; tick <= 4; ++tick) {
    const double y = kTop + kHeight - kHeight * tick / 4;
    svg += "<line x1=\"" + num(kLeft) + "\" x2=\"" + num(kLeft + kWidth) + "\" y1=\"" + num(y) + "\" y2=\"" + num(y) +
           "\" class=\"grid\"/><text x=\"" + num(kLeft - 6) + "\" y=\"" + num(y + 4) + "\" class=\"axis\" "
           "text-anchor=\"end\">" + num(top * tick / 4) + "</text>";
  }
  const double slot = kWidth / static_cast<double>(s.slices.size());
  const double bar = std::min(28.0, slot * 0.8 / static_cast<double>(std::max<size_t>(benches.size(), 1)));
  const size_t label_every = std::max<size_t>(1, s.slices.size() / 8);
  for (size_t i = 0; i < s.slices.size(); ++i) {
    const TimeSlice& slice = s.slices[i];
    const double group = bar * static_cast<double>(benches.size());
    double x = kLeft + slot * static_cast<double>(i) + (slot - group) / 2;
    for (size_t b = 0; b < benches.size(); ++b, x += bar) {
      const auto found = slice.done.find(benches[b]);
      if (found == slice.done.end()) continue;
      const double rate = found->second * per_hour;
      const double h = kHeight * rate / top;
      svg += "<rect x=\"" + num(x) + "\" y=\"" + num(kTop + kHeight - h) + "\" width=\"" + num(bar * 0.9) +
             "\" height=\"" + num(h) + "\" fill=\"" + kBenchColours[b % std::size(kBenchColours)] + "\"><title>" +
             html_escape(benches[b]) + " " + hhmm(slice.start_ms) + ": " + std::to_string(found->second) +
             " done, " + num(rate) + " per hour</title></rect>";
    }
    if (i % label_every == 0)
      svg += "<text x=\"" + num(kLeft + slot * (static_cast<double>(i) + 0.5)) + "\" y=\"" + num(kTop + kHeight + 16) +
             "\" class=\"axis\" text-anchor=\"middle\">" + hhmm(slice.start_ms) + "</text>";
  }
  svg += "<text x=\"" + num(kLeft + kWidth) + "\" y=\"" + num(kTop + kHeight + 34) +
         "\" class=\"axis\" text-anchor=\"end\">UTC, " + num(static_cast<double>(s.slice_ms) / 60000.0) +
         "-minute slices; units per hour</text></svg><p class=\"legend\">";
  for (size_t b = 0; b < s.benches.size(); ++b)
    svg += "<span><i style=\"background:" + std::string(kBenchColours[b % std::size(kBenchColours)]) + "\"></i>bench " +
           html_escape(s.benches[b].bench) + ": " + std::to_string(s.benches[b].done) + " done, " +
           num(s.benches[b].per_hour) + " per hour</span>";
  return svg + "</p>";
}

std::string failures_svg(const JobSummary& s) {
  if (s.failures.empty()) return "<p class=\"none\">No failures.</p>";
  int most = 1;
  for (const auto& [step, n] : s.failures) most = std::max(most, n);
  const double row = 24;
  const double height = row * static_cast<double>(s.failures.size()) + 8;
  std::string svg = "<svg width=\"760\" height=\"" + num(height) + "\" viewBox=\"0 0 760 " + num(height) +
                    "\" role=\"img\" aria-label=\"failures by step\">";
  double y = 4;
  for (const auto& [step, n] : s.failures) {
    const double w = 560.0 * n / most;
    svg += "<text x=\"120\" y=\"" + num(y + 16) + "\" class=\"axis\" text-anchor=\"end\">" + html_escape(step) +
           "</text><rect x=\"128\" y=\"" + num(y + 3) + "\" width=\"" + num(w) + "\" height=\"" + num(row - 6) +
           "\" fill=\"#d62728\"/><text x=\"" + num(134 + w) + "\" y=\"" + num(y + 16) + "\" class=\"axis\">" +
           std::to_string(n) + "</text>";
    y += row;
  }
  return svg + "</svg>";
}

std::string units_table(const JobSummary& s) {
  std::string out = "<table><thead><tr><th>row</th><th>unit</th><th>state</th><th>attempts</th><th>bench</th>"
                    "<th>port</th><th>done at</th><th>last failure / reason</th>";
  for (size_t i = 0; i < journal::kValueCount; ++i) out += "<th>" + html_escape(journal::value_key(i)) + "</th>";
  out += "</tr></thead><tbody>";
  for (const auto& u : s.units) {
    const std::string note = !u.reason.empty() ? u.reason : u.last_failure;
    out += "<tr class=\"" + std::string(journal::state_name(u.state)) + "\"><td>" + std::to_string(u.seq) + "</td><td>" +
           html_escape(u.dtu_id) + "</td><td>" + html_escape(state_words(u.state)) + "</td><td>" +
           std::to_string(u.attempts) + "</td><td>" + html_escape(u.bench) + "</td><td>" + html_escape(u.port) +
           "</td><td>" + iso_time(u.done_ms) + "</td><td>" + html_escape(note) + "</td>";
    for (size_t i = 0; i < journal::kValueCount; ++i)
      out += "<td>" + (i < u.after.size() ? html_escape(u.after[i]) : std::string()) + "</td>";
    out += "</tr>";
  }
  return out + "</tbody></table>";
}

constexpr const char* kStyle =
    "body{font-family:system-ui,'Noto Sans','WenQuanYi Micro Hei',sans-serif;margin:24px;color:#222;max-width:1400px}"
    "h1{font-size:22px;margin:0 0 4px}h2{font-size:16px;margin:24px 0 8px}.meta{color:#555;margin:0 0 12px}"
    ".legend span{margin-right:16px;font-size:13px;white-space:nowrap}"
    ".legend i{display:inline-block;width:10px;height:10px;margin-right:5px;border-radius:2px}"
    ".bar{border-radius:4px;background:#eee}.axis{font-size:11px;fill:#555}.grid{stroke:#e4e4e4}"
    ".none{color:#555}table{border-collapse:collapse;font-size:12px}"
    "th,td{border:1px solid #ddd;padding:3px 6px;text-align:left;white-space:nowrap}th{background:#f4f4f4}"
    "tr.set_aside td{background:#fff3e0}tr.in_doubt td{background:#fdecea}tr.pending td{color:#777}";

}  // namespace

std::string html_escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string report_html(const JobSummary& s) {
  const std::string name = html_escape(s.job.name);
  std::string out = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>Job " + name +
                    ": production report</title><style>" + kStyle + "</style></head><body>\n";
  out += "<h1>Job " + name + "</h1><p class=\"meta\">" + std::to_string(s.counts.total()) + " units from " +
         html_escape(s.job.base_file) + " and the keys " + html_escape([&] {
           std::string keys;
           for (const auto& k : s.job.keys) keys += (keys.empty() ? "" : " ") + k;
           return keys;
         }()) +
         "; journal " + html_escape(s.journal_where) + "; report made " + iso_time(s.made_ms) + "</p>\n";
  out += "<h2>Progress</h2>" + progress_svg(s) + "\n";
  out += "<h2>Units per hour per bench</h2>" + rate_chart_svg(s) + "\n";
  out += "<h2>Failures by step</h2>" + failures_svg(s) + "\n";
  out += "<h2>Units</h2>" + units_table(s) + "\n</body></html>\n";
  return out;
}

}  // namespace provision
