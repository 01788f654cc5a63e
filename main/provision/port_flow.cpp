#include "main/provision/port_flow.h"

#include <algorithm>
#include <cstdio>
#include <type_traits>

#include "main/cli/report.h"
#include "main/provision/job_outputs.h"
#include "main/provision/production_options.h"

namespace provision {
namespace {

using journal::UnitState;

constexpr int64_t kBootSliceMs = 2000;    // a boot is waited for in slices, the job looked at between them
constexpr int64_t kJobLookMs = 5000;
constexpr int64_t kJournalRetryMs = 1000;
constexpr int kConflictRetries = 20;
constexpr size_t kNamesShown = 5;

std::string seconds_text(int64_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", static_cast<double>(ms) / 1000.0);
  return text;
}

// "A", "A and B", "A, B and C", then "and N more".
std::string listing(const std::vector<std::string>& names) {
  std::string out;
  const size_t shown = std::min(names.size(), kNamesShown);
  for (size_t i = 0; i < shown; ++i) {
    if (i > 0) out += (i + 1 == shown && names.size() <= kNamesShown) ? " and " : ", ";
    out += names[i];
  }
  if (names.size() > kNamesShown) out += " and " + std::to_string(names.size() - kNamesShown) + " more";
  return out;
}

}  // namespace

// The journal refused what the port asked of it in a way that trying again cannot mend (a
// full disk, a damaged file, a refused statement): the port ends.
struct PortFlow::JournalRefused {
  std::string why;
};

PortFlow::PortFlow(PortPlace place, DtuPort& dtu, PortHost& host) : place_(std::move(place)), dtu_(dtu), host_(host) {}

PortFlow::~PortFlow() = default;

int PortFlow::run() {
  try {
    journal_ = host_.open_journal();
    job_ = journal_->job(place_.job);
    session_ = journal_->open_session(job_.id, {place_.bench, place_.port, place_.host, place_.pid}, place_.lease_ms);
  } catch (const journal::JournalError& e) {
    host_.progress(e.what());
    return journal_ ? cli::kUsage : kJournalUnavailable;  // no such job, or a newer journal
  } catch (const journal::DbError& e) {
    host_.progress(std::string("the journal cannot be used: ") + e.what());
    return kJournalUnavailable;
  }
  host_.keep_lease(job_.id, session_);
  int status = cli::kOk;
  try {
    status = work();
  } catch (const JournalRefused& refused) {
    status = refuse(refused.why);
  } catch (const std::exception& e) {
    status = refuse(std::string("an unexpected answer: ") + e.what());
  }
  end_session(status == kJournalUnavailable ? "ended: the journal refused its work" : "ended");
  return status;
}

int PortFlow::refuse(const std::string& why) {
  host_.writing(0, "", "");
  dtu_.close();
  host_.progress("the journal refused this port's work (" + why +
                 "): the port is closed and this port ends; the DTU on it is left as it is");
  return kJournalUnavailable;
}

void PortFlow::end_session(const std::string& why) {
  if (!journal_ || session_ == 0) return;
  try {
    journal_->end_session(job_.id, session_, why);
  } catch (const std::exception&) {
    // Its lease runs out by itself, and another bench settles what it held.
  }
  session_ = 0;
}

int PortFlow::work() {
  for (;;) {
    if (job_finished()) {
      const journal::Counts c = journaled([&] { return journal_->counts(job_.id); });
      host_.said(Verdict::JobComplete, "job " + job_.name + " is complete: " + std::to_string(c.done) + " done, " +
                                           std::to_string(c.set_aside) + " set aside");
      return cli::kOk;
    }
    std::string why;
    if (!dtu_.open(why)) {
      host_.progress("cannot be opened: " + why);
      return cli::kPortNotOpened;
    }
    host_.progress("waiting for a DTU: plug in and power on the next unit");
    if (wait_for_dtu()) handle_dtu();
    dtu_.close();
  }
}

// Expired leases are settled here too: at the end of a job no bench claims any more, and a
// dead bench's claim would otherwise keep every other one waiting.
bool PortFlow::job_finished() {
  const journal::Counts c = journaled([&] {
    journal_->settle_lapsed(job_.id);
    return journal_->counts(job_.id);
  });
  if (c.finished()) return true;
  say_waiting(c);
  return false;
}

// Once nothing is pending the port says what the job still waits for, and again whenever
// that changes.
void PortFlow::say_waiting(const journal::Counts& counts) {
  Waiting now;
  if (counts.pending == 0) {
    for (const journal::Unit& u : journaled([&] { return journal_->outstanding(job_.id); })) {
      if (u.state == UnitState::InDoubt) now.in_doubt.push_back(u.dtu_id);
      else now.claimed.push_back(u.dtu_id + " (bench " + u.bench + ", port " + u.port + ")");
    }
  }
  if (now == said_waiting_) return;
  said_waiting_ = now;
  if (now.empty()) return;
  std::string line = "waiting for the job to end:";
  if (!now.claimed.empty())
    line += " " + listing(now.claimed) + (now.claimed.size() == 1 ? " is" : " are") +
            " being written elsewhere (back to the pool if that bench's lease runs out);";
  if (!now.in_doubt.empty())
    line += " " + listing(now.in_doubt) +
            (now.in_doubt.size() == 1 ? " is kept for its DTU: boot it on any bench, or settle it"
                                      : " are kept for their DTUs: boot them on any bench, or settle them") +
            " with job resolve;";
  line.back() = '.';
  host_.progress(line);
}

// True once a DTU is in setting mode; false when the job was finished meanwhile, the link
// dropped, or a DTU booted without entering setting mode (the port is then opened afresh
// for its next boot).
bool PortFlow::wait_for_dtu() {
  int64_t looked = host_.now_ms();
  for (;;) {
    switch (dtu_.wait_for_boot(kBootSliceMs)) {
      case Boot::SettingMode: return true;
      case Boot::LinkLost: return false;
      case Boot::Unconfirmed:
        journaled([&] { journal_->note(job_.id, session_, 0, "failed", "setting mode", {}, "no answer to the request"); });
        host_.said(Verdict::Unread, "the DTU booted but did not enter setting mode: power it off and on again");
        return false;
      case Boot::NoBanner: break;
    }
    if (host_.now_ms() - looked >= kJobLookMs) {
      looked = host_.now_ms();
      if (job_finished()) return false;
    }
  }
}

void PortFlow::handle_dtu() {
  const int64_t setting_mode = host_.now_ms();
  const DtuRead read = dtu_.read();
  if (!read.ok) {
    journaled([&] { journal_->note(job_.id, session_, 0, "failed", "read", {}, read.why); });
    host_.said(Verdict::Unread, "the DTU did not answer the read (" + read.why + "): power it off and on to try again");
    return;
  }
  const int64_t read_done = host_.now_ms();
  const journal::Values& before = read.values;
  const std::string& id = before.at(0);
  std::optional<journal::Unit> unit;
  if (!id.empty()) {
    if (const auto known = journaled([&] { return journal_->find_unit(job_.id, id); })) {
      bool fresh = false;
      unit = known_unit(*known, before, fresh);
      if (!unit && !fresh) return;
    } else if (const auto other = journaled([&] { return journal_->find_elsewhere(job_.id, id); })) {
      journaled([&] {
        journal_->note(job_.id, session_, 0, "other_job", "read", before, "a DTU of job " + other->job);
      });
      host_.said(Verdict::OtherJob, id + " is a DTU of job " + other->job + " (" + state_words(other->state) +
                                        "): left alone — take it out, it is not this job's");
      return;
    }
  }
  while (!unit) {
    unit = journaled([&] { return journal_->claim_next(job_.id, session_); });
    if (!unit) {
      host_.said(Verdict::NothingToWrite, "nothing left to write: this DTU is not written");
      return;
    }
    if (!journaled([&] { return journal_->start_writing(job_.id, unit->seq, session_, before); })) unit.reset();
  }
  write_unit(*unit, setting_mode, read_done);
}

// A DTU that reports a unit's ID. Done and unchanged: not written again. Done with other
// settings: another DTU holds the ID, so this one is a conflict and is never written with
// it (`fresh`: it may get a unit of its own, which overwrites the duplicate). Otherwise the
// unit is taken over and written anew, unless another port holds it right now.
std::optional<journal::Unit> PortFlow::known_unit(const journal::Unit& known, const journal::Values& before,
                                                  bool& fresh) {
  switch (known.state) {
    case UnitState::SetAside:
      journaled([&] { journal_->note(job_.id, session_, known.seq, "seen", "read", before, "set aside: " + known.reason); });
      host_.said(Verdict::SetAside, known.dtu_id + " is set aside (" + known.reason +
                                        "): not written; take it out for a person to look at");
      return std::nullopt;
    case UnitState::Done:
      if (dtu_.holds(known.target, before)) {
        journaled([&] { journal_->note(job_.id, session_, known.seq, "already_done", "read", before, ""); });
        host_.said(Verdict::AlreadyDone, known.dtu_id + " already done — power off, connect the next");
        return std::nullopt;
      }
      journaled([&] {
        journal_->note(job_.id, session_, known.seq, "conflict", "read", before,
                       "another DTU reports this done unit's ID with other settings");
      });
      host_.said(Verdict::Conflict, known.dtu_id + " is done on another DTU, and this DTU reports the same ID with "
                                                   "other settings: it is not written with that ID again");
      fresh = true;
      return std::nullopt;
    default: break;
  }
  const std::string why = known.state == UnitState::InDoubt ? "the DTU of a unit in doubt booted again"
                                                              : "the DTU reports this unit's ID";
  auto unit = journaled([&] { return journal_->take_over(job_.id, known.seq, session_, before, why); });
  if (!unit) {
    const auto now = journaled([&] { return journal_->unit(job_.id, known.seq); });
    const std::string holder = now ? "bench " + now->bench + " port " + now->port : "another port";
    journaled([&] { journal_->note(job_.id, session_, known.seq, "conflict", "read", before, "held by " + holder); });
    host_.said(Verdict::Conflict, known.dtu_id + " is being written by " + holder +
                                      " right now: this DTU reports the same ID and is not written; check for two "
                                      "DTUs with one ID");
  }
  return unit;
}

// The time said is the write and the read-back: what the unit itself costs, the identifying
// read being the same for every DTU the bench sees.
void PortFlow::write_unit(const journal::Unit& unit, int64_t setting_mode, int64_t read_done) {
  // A unit whose stored settings cannot be read (a damaged row) is never written: it fails
  // before anything is sent, and is set aside after its attempts.
  if (unit.target.size() != journal::kValueCount)
    return failed(unit, {"check", "the journal's settings for this unit cannot be read", {}, false});
  host_.writing(unit.seq, unit.dtu_id, "writing");
  const DtuWrite written = dtu_.write(unit.target);
  if (!written.ok) return failed(unit, {written.step, written.message, {}, written.reached});
  host_.writing(unit.seq, unit.dtu_id, "read-back");
  const DtuReadBack back = dtu_.read_back(unit.target);
  if (!back.ok) return failed(unit, {back.step, back.message, back.after, true});
  const int64_t took = host_.now_ms() - read_done;
  const int64_t cycle = host_.now_ms() - setting_mode;
  bool recorded =
      journaled([&] { return journal_->finish(job_.id, unit.seq, session_, back.after, took, cycle); });
  // The journal gave the unit up meanwhile (this bench's lease ran out, or a person put it
  // back in the pool): this DTU holds it, so it takes the unit back if no other port has it.
  if (!recorded && reclaim(unit, back.after))
    recorded = journaled([&] { return journal_->finish(job_.id, unit.seq, session_, back.after, took, cycle); });
  host_.writing(0, "", "");
  if (!recorded) {
    journaled([&] {
      journal_->note(job_.id, session_, unit.seq, "conflict", "done", back.after,
                     "written and read back by this port after the journal gave the unit to another");
    });
    host_.said(Verdict::Unrecorded, unit.dtu_id + " written and read back, but the journal gave it to another port "
                                                  "meanwhile: two DTUs may hold this ID; see job status");
    return;
  }
  host_.said(Verdict::Done, unit.dtu_id + " done " + seconds_text(took) + " s — power off, connect the next");
}

void PortFlow::failed(const journal::Unit& unit, const journal::Failure& failure) {
  auto state = journaled([&] { return journal_->fail(job_.id, unit.seq, session_, unit.attempts, failure); });
  // Given up meanwhile while this DTU may hold the ID: the unit comes back to be kept for it.
  if (!state && failure.reached) {
    if (const auto back = reclaim(unit, failure.after))
      state = journaled([&] { return journal_->fail(job_.id, unit.seq, session_, back->attempts, failure); });
  }
  host_.writing(0, "", "");
  const std::string head = unit.dtu_id + " failed at " + failure.step + " (" + failure.message + "): attempt " +
                           std::to_string(unit.attempts + 1) + " of " + std::to_string(journal::kMaxAttempts) + ", ";
  if (!state) {
    host_.said(Verdict::Unrecorded, head + "but the journal no longer gives it to this port: see job status");
    return;
  }
  switch (*state) {
    case UnitState::SetAside:
      host_.said(Verdict::SetAside, head + "set aside for a person to look at — power off, connect the next");
      return;
    case UnitState::InDoubt:
      host_.said(Verdict::FailedKept, head + "kept for this DTU (it may hold the ID now) — power it off and on to try "
                                             "again, on any bench");
      return;
    default:
      host_.said(Verdict::FailedBack, head + "back in the pool (nothing reached the DTU) — connect the next");
      return;
  }
}

std::optional<journal::Unit> PortFlow::reclaim(const journal::Unit& unit, const journal::Values& held) {
  return journaled([&] {
    return journal_->take_over(job_.id, unit.seq, session_, held,
                               "this port's DTU took the ID after the journal had given the unit up");
  });
}

template <typename F>
auto PortFlow::journaled(F&& operation) -> decltype(operation()) {
  for (int conflicts = 0;;) {
    try {
      if constexpr (std::is_void_v<decltype(operation())>) {
        operation();
        if (journal_gone_said_) host_.progress("the journal is back: going on");
        journal_gone_said_ = false;
        return;
      } else {
        auto result = operation();
        if (journal_gone_said_) host_.progress("the journal is back: going on");
        journal_gone_said_ = false;
        return result;
      }
    } catch (const journal::DbError& e) {
      if (e.kind == journal::DbError::Kind::Refused) throw JournalRefused{e.what()};
      if (e.kind == journal::DbError::Kind::Conflict && ++conflicts < kConflictRetries) continue;
      wait_for_journal(e.what());
      conflicts = 0;
    } catch (const journal::JournalError& e) {
      throw JournalRefused{e.what()};
    }
  }
}

// Waits (the tool keeps running, the DTU stays as it is) until a new connection is made. The
// wait is said once, and its end once an operation has gone through again.
void PortFlow::wait_for_journal(const std::string& why) {
  if (!journal_gone_said_)
    host_.progress("the journal cannot be reached (" + why + "): waiting for it; the DTU is left as it is");
  journal_gone_said_ = true;
  for (;;) {
    host_.wait(kJournalRetryMs);
    try {
      journal_->db().reconnect();
      return;
    } catch (const journal::DbError& e) {
      if (e.kind == journal::DbError::Kind::Refused) throw JournalRefused{e.what()};
    }
  }
}

}  // namespace provision
