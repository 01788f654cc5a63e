#include "main/provision/port_worker.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>

#include "app/runtime_calls.h"
#include "app/settings_table.h"
#include "app_texts.h"
#include "main/cli/options.h"
#include "main/cli/report.h"
#include "main/cli/work_folder.h"
#include "main/journal/journal.h"
#include "main/provision/session_keeper.h"
#include "main/provision/tool_host.h"
#include "platform/backend.h"
#include "platform/gbk_codec.h"
#include "platform/process.h"

namespace provision {
namespace {

using cli::DtuDriver;
using cli::SettingValues;
using journal::UnitState;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kBootSliceMs = 2000;  // a boot is waited for in slices, the job looked at between them
constexpr auto kJobLook = std::chrono::seconds(5);
constexpr auto kJournalRetry = std::chrono::milliseconds(1000);
constexpr int kConflictRetries = 20;

std::string seconds_text(Clock::duration d) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", std::chrono::duration<double>(d).count());
  return text;
}

int64_t ms_of(Clock::duration d) { return std::chrono::duration_cast<std::chrono::milliseconds>(d).count(); }

journal::Values utf8_values(const SettingValues& gbk) {
  journal::Values out;
  for (const std::string& v : gbk) out.push_back(cli::terminal_text(v));
  return out;
}

std::string tool_message(uint32_t message, const std::string& otherwise) {
  return message != 0 ? cli::terminal_text(app::text(message)) : otherwise;
}

// What a read shows of a value the DTU took as written, by the window's own rules: the set
// command carries the field's text (trimmed where the write trims it), the DTU lists an
// empty value as the unset marker, and the read takes the listing's text by the setting's
// rule (the marker as empty, numbers through the tool's own conversion).
std::string shown_after_read(const app::Setting& s, const std::string& field) {
  std::string sent = s.write.trimmed ? std::string(app::trimmed(field.c_str()).view()) : field;
  const std::string marker = app::text(app::texts::unset_marker);
  const bool unset = sent.empty() || sent == marker;
  switch (s.from_listing) {
    case app::FromListing::AsIs: return unset ? marker : sent;
    case app::FromListing::UnsetEmpty: return unset ? std::string() : sent;
    case app::FromListing::Number:
      return std::string(app::int_to_text(app::to_int(unset ? marker.c_str() : sent.c_str())).view());
    case app::FromListing::UnsetEmptyElseNumber:
      return unset ? std::string() : std::string(app::int_to_text(app::to_int(sent.c_str())).view());
  }
  return sent;
}

class PortWorker {
 public:
  PortWorker(const ProductionOptions& o, const platform::headless::SerialOpener& devices, const Console& console)
      : o_(o), port_(o.ports.at(0)), console_(console), devices_(devices) {}

  int run();
  void stop(int exit_status, const char* what);  // UI thread

 private:
  void work(DtuDriver& dtu);
  bool wait_for_dtu(DtuDriver& dtu);
  void handle_dtu(DtuDriver& dtu);
  std::optional<journal::Unit> unit_for(const journal::Unit& known, const journal::Values& before,
                                        const SettingValues& read);
  void write_unit(DtuDriver& dtu, const journal::Unit& unit, Clock::time_point setting_mode, Clock::time_point read_done);
  void record_failure(const journal::Unit& unit, const std::string& step, const std::string& message,
                      const journal::Values& after);
  bool job_finished();
  void nothing_to_write();
  SettingValues target_fields(const journal::Unit& unit, DtuDriver& dtu, std::string& refused);
  std::vector<std::string> differences(const SettingValues& written, const SettingValues& read);

  // Runs a journal operation, waiting out an unreachable database (the tool keeps running,
  // the DTU stays as it is) and running it again after a conflict.
  template <typename F>
  auto journaled(F&& operation) -> decltype(operation());
  void wait_for_journal(const std::string& why);

  void result(const std::string& line) { console_.out(port_ + " " + line + "\n"); }
  void progress(const std::string& line) { console_.err(port_ + " " + line); }

  const ProductionOptions& o_;
  const std::string port_;
  const Console& console_;
  platform::headless::SerialOpener devices_;
  cli::PortName port_name_;
  std::unique_ptr<journal::Journal> journal_;
  journal::Job job_;
  int64_t session_ = 0;
  std::unique_ptr<SessionKeeper> keeper_;
  cli::ToolDriver* tool_ = nullptr;
  DtuDriver* dtu_ = nullptr;
  int status_ = cli::kOk;
  int writing_seq_ = 0;
  std::string writing_id_;
  bool stopping_ = false;
};

std::atomic<PortWorker*> g_worker{nullptr};

int PortWorker::run() {
  cli::parse_port(port_, port_name_);
  if (!port_name_.device.empty()) {
    // The tool changes folder: the device path must not depend on it. It stands in for the
    // COM port the window is set to.
    std::error_code ec;
    const std::filesystem::path device = std::filesystem::absolute(port_name_.device, ec);
    const std::string path = ec ? port_name_.device : device.string();
    devices_ = [system = devices_, path](const std::string&, platform::SerialError& error) { return system(path, error); };
  }
  try {
    journal_ = journal::Journal::open(o_.db, false);
    job_ = journal_->job(o_.job);
    const journal::Place place{o_.bench, port_, platform::host_name(), platform::process_id()};
    session_ = journal_->open_session(job_.id, place, o_.lease_ms);
  } catch (const journal::JournalError& e) {
    progress(e.what());
    return journal_ ? cli::kUsage : kJournalUnavailable;  // no such job, or a newer journal
  } catch (const journal::DbError& e) {
    progress(std::string("the journal cannot be used: ") + e.what());
    return kJournalUnavailable;
  }
  keeper_ = std::make_unique<SessionKeeper>(o_.db, job_.id, session_, o_.lease_ms);
  cli::WorkFolder folder;
  ToolRun run;
  run.folder = folder.path();
  run.devices = devices_;
  run.on_status = [this](const std::string&) {
    if (!dtu_ || writing_seq_ == 0) return;
    if (const auto step = dtu_->write_step()) keeper_->note_step(writing_seq_, std::string(app::setting(*step).name));
  };
  run.work = [this](cli::ToolDriver& tool, DtuDriver& dtu) {
    tool_ = &tool;
    dtu_ = &dtu;
    work(dtu);
    dtu.disconnect();
  };
  run_tool(run);
  keeper_.reset();
  try {
    journal_->end_session(job_.id, session_, "ended");
  } catch (const journal::DbError&) {
    // The lease runs out by itself; this port holds nothing now.
  }
  return status_;
}

void PortWorker::work(DtuDriver& dtu) {
  const int com = port_name_.com == 0 ? 1 : port_name_.com;
  if (!dtu.choose_link(com, o_.baud)) {
    progress("the window offers no COM" + std::to_string(com) + " at " + std::to_string(o_.baud) + " baud");
    status_ = cli::kUsage;
    return;
  }
  for (;;) {
    if (job_finished()) {
      const journal::Counts c = journaled([&] { return journal_->counts(job_.id); });
      result("job " + job_.name + " is complete: " + std::to_string(c.done) + " done, " +
             std::to_string(c.set_aside) + " set aside");
      status_ = cli::kOk;
      return;
    }
    const cli::OperationEnd opened = dtu.connect();
    if (!opened.ok()) {
      progress("cannot be opened: " + tool_message(opened.message, "the port was not opened"));
      status_ = cli::kPortNotOpened;
      return;
    }
    progress("waiting for a DTU: plug in and power on the next unit");
    if (wait_for_dtu(dtu)) handle_dtu(dtu);
    dtu.disconnect();
  }
}

// True once a DTU is in setting mode; false when the job was finished meanwhile, the link
// dropped, or a DTU booted without entering setting mode (the port is then opened afresh
// for its next boot).
bool PortWorker::wait_for_dtu(DtuDriver& dtu) {
  auto looked = Clock::now();
  for (;;) {
    switch (dtu.wait_for_setting_mode(kBootSliceMs)) {
      case cli::ModeWait::SettingMode: return true;
      case cli::ModeWait::Unconfirmed:
        journaled([&] { journal_->note(job_.id, session_, 0, "failed", "setting mode", {}, "no answer to the request"); });
        progress("the DTU booted but did not enter setting mode: power it off and on again");
        return false;
      case cli::ModeWait::NoBanner: break;
    }
    if (!dtu.connected()) return false;
    if (Clock::now() - looked > kJobLook) {
      looked = Clock::now();
      if (job_finished()) return false;
    }
  }
}

void PortWorker::handle_dtu(DtuDriver& dtu) {
  const auto setting_mode = Clock::now();
  const cli::Reading read = dtu.read_settings();
  if (!read.ok()) {
    std::string why = tool_message(read.end.message, "the read was cut short");
    if (read.end.ok()) why = "its listing lacks settings";
    journaled([&] { journal_->note(job_.id, session_, 0, "failed", "read", {}, why); });
    progress("the DTU did not answer the read (" + why + "): power it off and on to try again");
    return;
  }
  const auto read_done = Clock::now();
  const journal::Values before = utf8_values(read.values);
  const std::string& id = before[0];
  std::optional<journal::Unit> unit;
  const auto known = id.empty() ? std::nullopt : journaled([&] { return journal_->find_unit(job_.id, id); });
  if (known) {
    if (known->state == UnitState::SetAside) {
      journaled([&] { journal_->note(job_.id, session_, known->seq, "seen", "read", before, "set aside: " + known->reason); });
      result(id + " is set aside (" + known->reason + "): not written; take it out for a person to look at");
      return;
    }
    unit = unit_for(*known, before, read.values);
    if (!unit) return;
  } else {
    for (;;) {
      unit = journaled([&] { return journal_->claim_next(job_.id, session_); });
      if (!unit) return nothing_to_write();
      if (journaled([&] { return journal_->start_writing(job_.id, unit->seq, session_, before); })) break;
    }
  }
  write_unit(dtu, *unit, setting_mode, read_done);
}

// A DTU that reports a unit's ID: done and unchanged, it is not written again; otherwise the
// unit is taken over (never a live claim of another port) and written anew.
std::optional<journal::Unit> PortWorker::unit_for(const journal::Unit& known, const journal::Values& before,
                                                  const SettingValues& read) {
  std::string why = "the DTU reports this unit's ID";
  if (known.state == UnitState::Done) {
    std::string refused;
    if (differences(target_fields(known, *dtu_, refused), read).empty()) {
      journaled([&] { journal_->note(job_.id, session_, known.seq, "already_done", "read", before, ""); });
      result(known.dtu_id + " already done — power off, connect the next");
      return std::nullopt;
    }
    why = "done before, but the DTU now holds other settings";
  } else if (known.state == UnitState::InDoubt) {
    why = "the DTU of a unit in doubt booted again";
  }
  auto unit = journaled([&] { return journal_->take_over(job_.id, known.seq, session_, before, why); });
  if (!unit) {
    const auto now = journaled([&] { return journal_->unit(job_.id, known.seq); });
    const std::string holder = now ? "bench " + now->bench + " port " + now->port : "another port";
    journaled([&] { journal_->note(job_.id, session_, known.seq, "conflict", "read", before, "held by " + holder); });
    result(known.dtu_id + " is being written by " + holder +
           " right now: this DTU reports the same ID and is not written; check for two DTUs with one ID");
  }
  return unit;
}

SettingValues PortWorker::target_fields(const journal::Unit& unit, DtuDriver& dtu, std::string& refused) {
  SettingValues fields;
  for (const app::Setting& s : app::kSettings) {
    const size_t i = app::index_of(s.key);
    const std::string gbk = platform::utf8_to_gbk(unit.target.at(i)).value_or(std::string());
    if (!dtu.put_value(s.key, gbk) && refused.empty()) refused = std::string(s.name);
    fields[i] = dtu.value(s.key);
  }
  return fields;
}

// The settings whose read-back differs from what was written, as "KEY reads "x" where "y"
// was written".
std::vector<std::string> PortWorker::differences(const SettingValues& written, const SettingValues& read) {
  std::vector<std::string> out;
  for (const app::Setting& s : app::kSettings) {
    const size_t i = app::index_of(s.key);
    const std::string expected = shown_after_read(s, written[i]);
    if (read[i] != expected)
      out.push_back(std::string(s.name) + " reads \"" + cli::terminal_text(read[i]) + "\" where \"" +
                    cli::terminal_text(expected) + "\" was written");
  }
  return out;
}

// The time printed is the write and the read-back: what the unit itself costs, the
// identifying read being the same for every DTU the bench sees.
void PortWorker::write_unit(DtuDriver& dtu, const journal::Unit& unit, Clock::time_point setting_mode,
                            Clock::time_point read_done) {
  writing_seq_ = unit.seq;
  writing_id_ = unit.dtu_id;
  keeper_->note_step(unit.seq, "writing");
  std::string refused;
  const SettingValues written = target_fields(unit, dtu, refused);
  if (!refused.empty()) return record_failure(unit, "check", refused + " was refused by its field", {});
  const cli::OperationEnd end = dtu.write_settings();
  if (!end.ok()) {
    const std::string step = end.step ? std::string(app::setting(*end.step).name) : "check";
    return record_failure(unit, step, tool_message(end.message, "the write was cut short"), {});
  }
  keeper_->note_step(unit.seq, "read-back");
  const cli::Reading back = dtu.read_settings();
  if (!back.ok())
    return record_failure(unit, "read-back",
                          back.end.ok() ? "its listing lacks settings" : tool_message(back.end.message, "no listing"),
                          {});
  const journal::Values after = utf8_values(back.values);
  const std::vector<std::string> differ = differences(written, back.values);
  if (!differ.empty()) {
    std::string message;
    for (const auto& d : differ) message += (message.empty() ? "" : "; ") + d;
    return record_failure(unit, "read-back", message, after);
  }
  const auto took = Clock::now() - read_done;
  const auto cycle = Clock::now() - setting_mode;
  const bool recorded =
      journaled([&] { return journal_->finish(job_.id, unit.seq, session_, after, ms_of(took), ms_of(cycle)); });
  writing_seq_ = 0;
  if (!recorded) {
    result(unit.dtu_id + " written and read back, but the journal no longer gives it to this port: see job status");
    return;
  }
  result(unit.dtu_id + " done " + seconds_text(took) + " s — power off, connect the next");
}

void PortWorker::record_failure(const journal::Unit& unit, const std::string& step, const std::string& message,
                                const journal::Values& after) {
  const auto state = journaled([&] { return journal_->fail(job_.id, unit.seq, session_, step, message, after); });
  writing_seq_ = 0;
  const int attempts = unit.attempts + 1;
  std::string next = state == UnitState::SetAside
                         ? "set aside for a person to look at — power off, connect the next"
                         : "back in the pool — power it off and on to try again, or connect the next";
  result(unit.dtu_id + " failed at " + step + " (" + message + "): attempt " + std::to_string(attempts) + " of " +
         std::to_string(journal::kMaxAttempts) + ", " + next);
}

// No unit is pending: this DTU is not written. While units are in doubt the next DTU may be
// one of theirs, so DTUs are still read; otherwise the port waits for a unit to come back to
// the pool (a failed one, a lapsed claim) or for the job to end.
void PortWorker::nothing_to_write() {
  journal::Counts c = journaled([&] { return journal_->counts(job_.id); });
  const std::string held = std::to_string(c.claimed + c.writing) + " being written elsewhere";
  if (c.in_doubt > 0) {
    result("nothing left to write (" + held + ", " + std::to_string(c.in_doubt) +
           " in doubt waiting for their DTUs): this DTU is not written");
    return;
  }
  result("nothing left to write (" + held + "): this DTU is not written; waiting for the job to end");
  while (c.pending == 0 && c.in_doubt == 0 && !c.finished()) {
    const auto until = Clock::now() + kJobLook;
    tool_->run_until([&] { return Clock::now() >= until; }, static_cast<uint32_t>(ms_of(kJobLook)));
    c = journaled([&] { return journal_->counts(job_.id); });
  }
}

bool PortWorker::job_finished() {
  return journaled([&] { return journal_->counts(job_.id).finished(); });
}

template <typename F>
auto PortWorker::journaled(F&& operation) -> decltype(operation()) {
  for (int conflicts = 0;;) {
    try {
      return operation();
    } catch (const journal::DbError& e) {
      if (e.kind == journal::DbError::Kind::Refused) throw;
      if (e.kind == journal::DbError::Kind::Conflict && ++conflicts < kConflictRetries) continue;
      wait_for_journal(e.what());
      conflicts = 0;
    }
  }
}

void PortWorker::wait_for_journal(const std::string& why) {
  progress("the journal cannot be reached (" + why + "): waiting for it; the DTU is left as it is");
  for (;;) {
    const auto until = Clock::now() + kJournalRetry;
    tool_->run_until([&] { return Clock::now() >= until; }, static_cast<uint32_t>(ms_of(kJournalRetry)));
    try {
      journal_->db().reconnect();
      progress("the journal is back: going on");
      return;
    } catch (const journal::DbError&) {
      // Not yet: wait another round.
    }
  }
}

void PortWorker::stop(int exit_status, const char* what) {
  if (stopping_) return;
  stopping_ = true;
  std::string cut;
  if (writing_seq_ != 0 && dtu_) {
    const auto step = dtu_->write_step();
    cut = " while writing " + writing_id_ + (step ? " at step " + std::string(app::setting(*step).name) : "") +
          " (it is left in doubt until its DTU boots again)";
  }
  progress(std::string("stopped by ") + what + cut + "; closing the port");
  if (dtu_) dtu_->disconnect();
  keeper_.reset();
  try {
    journal_->end_session(job_.id, session_, std::string("stopped by ") + what);
  } catch (const journal::DbError&) {
    // Its lease runs out and another bench settles what it held.
  }
  platform::backend().exit_process(exit_status);
}

}  // namespace

int run_port(const ProductionOptions& options, const platform::headless::SerialOpener& devices, const Console& console) {
  // Lives to the process's end: a stop request may still point at it.
  static std::unique_ptr<PortWorker> worker;
  worker = std::make_unique<PortWorker>(options, devices, console);
  g_worker.store(worker.get());
  const int status = worker->run();
  g_worker.store(nullptr);
  return status;
}

void stop_port(int exit_status, const char* what) {
  PortWorker* worker = g_worker.load();
  if (!worker || !post_to_tool([worker, exit_status, what] { worker->stop(exit_status, what); }))
    std::_Exit(exit_status);
}

}  // namespace provision
