// What one port of a bench does, DTU after DTU, until the job is finished: waits for a DTU
// to boot, reads it, recognises it by the ID it reports (a unit done before, one kept for
// its DTU, a DTU of another job, an ID it must not be written with) or gives it the next
// pending unit, writes it, reads it back and journals the outcome. The decisions and the
// journal's calls live here; the DTU is reached through `DtuPort` (the tool's window in a
// bench) and the bench's clock, lines and lease through `PortHost`.
//
// A database error never escapes: a lost connection is waited for (one line saying so), a
// conflict is run again, and anything else ends the port with exit status 7, its port
// closed.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "main/journal/journal.h"

namespace provision {

// How a wait for a DTU's boot ended.
enum class Boot {
  SettingMode,  // a DTU booted and confirmed setting mode
  NoBanner,     // nothing booted within the time
  Unconfirmed,  // a DTU booted but did not confirm the setting-mode request
  LinkLost,     // the port went away
};

struct DtuRead {
  bool ok = false;
  std::string why;          // when not ok
  journal::Values values;   // its thirteen settings (UTF-8, key order) when ok
};

struct DtuWrite {
  bool ok = false;
  bool reached = false;     // something was sent to the DTU: it may hold the ID now
  std::string step;         // where it failed: "check" or a key
  std::string message;
};

struct DtuReadBack {
  bool ok = false;          // read, and every value as written
  std::string step;         // where it failed when not ok ("read-back")
  std::string message;      // why not: no listing, or the values that differ
  journal::Values after;    // what the DTU holds now (empty when it could not be read)
};

// The DTU on a port, as the tool reaches it (one DTU at a time; the port is opened for each).
class DtuPort {
 public:
  virtual ~DtuPort() = default;
  // Opens the port; false with the reason when it cannot be opened.
  virtual bool open(std::string& why) = 0;
  virtual Boot wait_for_boot(int64_t within_ms) = 0;
  virtual DtuRead read() = 0;
  // Whether the settings read are this target's, as the tool shows them after a write.
  virtual bool holds(const journal::Values& target, const journal::Values& read) = 0;
  virtual DtuWrite write(const journal::Values& target) = 0;
  virtual DtuReadBack read_back(const journal::Values& target) = 0;
  virtual void close() = 0;
};

// What a port says about a DTU it has handled, for whoever drives the bench.
enum class Verdict {
  Done,            // written and read back equal
  AlreadyDone,     // reports a unit done before, with its settings: not written
  FailedKept,      // failed after its DTU may have taken the ID: kept for that DTU
  FailedBack,      // failed before anything reached it: back in the pool
  SetAside,        // set aside for a person (now, or before it booted again)
  Conflict,        // reports an ID it must not be written with (another DTU's, or one held elsewhere)
  OtherJob,        // a DTU of another job: left alone
  NothingToWrite,  // no unit for it
  Unread,          // did not enter setting mode, or did not answer the read
  Unrecorded,      // written, but the journal gave its unit to another port meanwhile
  JobComplete,     // the job is finished: the port ends
};

// What the port waits for while it waits at the end of a job.
struct Waiting {
  std::vector<std::string> claimed;   // "DTU-0004 (bench B, port COM6)": others' claims and writes
  std::vector<std::string> in_doubt;  // "DTU-0003": units kept for their DTUs
  bool empty() const { return claimed.empty() && in_doubt.empty(); }
  bool operator==(const Waiting&) const = default;
};

// The bench around a port.
class PortHost {
 public:
  virtual ~PortHost() = default;
  virtual std::unique_ptr<journal::Journal> open_journal() = 0;
  // Starts keeping the session's lease alive (and ends when the host does).
  virtual void keep_lease(int64_t job, int64_t session) = 0;
  virtual int64_t now_ms() = 0;
  // Keeps the bench running (the tool's messages, its timers) for `ms`.
  virtual void wait(int64_t ms) = 0;
  // The line about a DTU handled (standard output), and progress (standard error).
  virtual void said(Verdict verdict, const std::string& line) = 0;
  virtual void progress(const std::string& line) = 0;
  // The unit being written has reached `step` (seq 0: none is being written).
  virtual void writing(int seq, const std::string& dtu_id, const std::string& step) = 0;
};

struct PortPlace {
  std::string job;    // its name
  std::string bench;
  std::string port;   // as the bench names it ("COM5", "/dev/ttyUSB0")
  std::string host;
  int64_t pid = 0;
  int64_t lease_ms = 30000;
};

class PortFlow {
 public:
  PortFlow(PortPlace place, DtuPort& dtu, PortHost& host);
  ~PortFlow();
  PortFlow(const PortFlow&) = delete;
  PortFlow& operator=(const PortFlow&) = delete;

  // Runs the port until the job is finished; the exit status: 0 finished, 2 no such job (or
  // a journal of a newer schema), 3 the port cannot be opened, 7 the journal cannot be used
  // (kJournalUnavailable).
  int run();

  // A stop in order, asked for on the port's thread while it runs (from inside a wait):
  // its claims go back to the pool, a write it cuts is left in doubt.
  void end_session(const std::string& why);

 private:
  struct JournalRefused;
  int work();
  int refuse(const std::string& why);
  bool job_finished();
  bool wait_for_dtu();
  void handle_dtu();
  std::optional<journal::Unit> known_unit(const journal::Unit& known, const journal::Values& before, bool& fresh);
  void write_unit(const journal::Unit& unit, int64_t setting_mode, int64_t read_done);
  void failed(const journal::Unit& unit, const journal::Failure& failure);
  std::optional<journal::Unit> reclaim(const journal::Unit& unit, const journal::Values& held);
  void say_waiting(const journal::Counts& counts);
  template <typename F>
  auto journaled(F&& operation) -> decltype(operation());
  void wait_for_journal(const std::string& why);

  const PortPlace place_;
  DtuPort& dtu_;
  PortHost& host_;
  std::unique_ptr<journal::Journal> journal_;
  journal::Job job_;
  int64_t session_ = 0;
  Waiting said_waiting_;
  bool journal_gone_said_ = false;
};

}  // namespace provision
