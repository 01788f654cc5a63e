#include "main/provision/job_summary.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace provision {
namespace {

// Slices short enough to show a run's course, few enough to draw: at most 24 of them.
int64_t slice_length(int64_t span_ms) {
  constexpr int64_t kMinute = 60 * 1000;
  for (int64_t minutes : {1, 5, 15, 30, 60, 120, 240, 480, 1440})
    if (span_ms / (minutes * kMinute) < 24) return minutes * kMinute;
  return 7 * 1440 * kMinute;
}

}  // namespace

int64_t wall_clock_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::string iso_time(int64_t ms) {
  if (ms == 0) return "";
  using namespace std::chrono;
  const sys_time<milliseconds> t{milliseconds(ms)};
  const sys_days day = floor<days>(t);
  const year_month_day ymd{day};
  const hh_mm_ss<seconds> time{floor<seconds>(t) - day};
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02lld:%02lld:%02lldZ", static_cast<int>(ymd.year()),
                static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                static_cast<long long>(time.hours().count()), static_cast<long long>(time.minutes().count()),
                static_cast<long long>(time.seconds().count()));
  return text;
}

JobSummary summarize(journal::Journal& journal, const journal::Job& job, int64_t now_ms) {
  JobSummary s;
  s.job = job;
  s.journal_where = journal.db().where();
  s.counts = journal.counts(job.id);
  s.units = journal.units(job.id);
  s.made_ms = now_ms;

  // Each bench's rate: its units done over the time from its first session to its last one.
  std::map<std::string, int64_t> first_start;
  for (const auto& session : journal.sessions(job.id)) {
    auto [at, fresh] = first_start.emplace(session.place.bench, session.started_ms);
    if (!fresh) at->second = std::min(at->second, session.started_ms);
  }
  std::map<std::string, BenchRate> rates;
  std::map<std::string, int64_t> last_done;
  int64_t first = 0, last = 0;
  for (const auto& u : s.units) {
    if (u.state != journal::UnitState::Done) continue;
    BenchRate& r = rates[u.bench];
    r.bench = u.bench;
    ++r.done;
    last_done[u.bench] = std::max(last_done[u.bench], u.done_ms);
    first = first == 0 ? u.done_ms : std::min(first, u.done_ms);
    last = std::max(last, u.done_ms);
  }
  for (auto& [bench, r] : rates) {
    const auto start = first_start.find(bench);
    const int64_t from = start == first_start.end() ? last_done[bench] : start->second;
    r.hours = std::max<int64_t>(last_done[bench] - from, 1) / 3600000.0;
    r.per_hour = r.done / r.hours;
    s.benches.push_back(r);
  }

  // Failures by step: every failed attempt, with or without a unit (a DTU that never
  // answered the read has none yet).
  std::map<std::string, int> failures;
  for (const auto& e : journal.events(job.id))
    if (e.kind == "failed") ++failures[e.step.empty() ? "?" : e.step];
  s.failures.assign(failures.begin(), failures.end());
  std::stable_sort(s.failures.begin(), s.failures.end(), [](const auto& a, const auto& b) { return a.second > b.second; });

  if (first != 0) {
    s.slice_ms = slice_length(last - first);
    const int64_t start = first / s.slice_ms * s.slice_ms;
    s.slices.resize(static_cast<size_t>((last - start) / s.slice_ms + 1));
    for (size_t i = 0; i < s.slices.size(); ++i) s.slices[i].start_ms = start + static_cast<int64_t>(i) * s.slice_ms;
    for (const auto& u : s.units)
      if (u.state == journal::UnitState::Done) ++s.slices[static_cast<size_t>((u.done_ms - start) / s.slice_ms)].done[u.bench];
  }
  return s;
}

}  // namespace provision
