// The production journal: jobs, their units, the benches' port sessions and an append-only
// list of events, kept in one database (an SQLite file or a PostgreSQL server).
//
// A unit moves pending -> claimed -> writing -> done. A claim belongs to a port session,
// whose lease the bench keeps renewing; when a lease runs out, the session's claims whose
// DTU was never written go back to the pool, and those that were being written are set
// aside as in doubt (the DTU may already hold the unit's ID) until a DTU reporting that ID
// boots on some bench of the job. A failed attempt is counted; once anything reached the
// DTU (the ID is the first value written) the unit stays with that DTU, in doubt, and is
// never handed to another DTU without a person's word (`resolve`); a failure before that
// returns it to the pool. After kMaxAttempts failures it is set aside for a person.
//
// A job's IDs are unique among the jobs of the database that are not finished, so a DTU
// reporting an ID is recognised whichever job made it.
//
// Every change of a unit is one transaction that also appends an event naming the unit's
// new state, the bench, port and time, and the settings read before and after, so an
// audit can replay the events to the units' states. Operations throw DbError.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "main/journal/database.h"
#include "main/journal/values.h"

namespace journal {

inline constexpr int kSchemaVersion = 2;
inline constexpr int kMaxAttempts = 3;

// A request the journal turns down as it stands (a job name taken, a job missing, a
// database of a newer schema). Not a database failure: nothing was changed.
struct JournalError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

enum class UnitState { Pending, Claimed, Writing, Done, SetAside, InDoubt };
std::string_view state_name(UnitState state);  // as stored: "pending" ... "set_aside", "in_doubt"
std::optional<UnitState> state_from_name(std::string_view name);

struct NewJob {
  std::string name;
  std::string base_file;           // the base settings file as named
  Values base;                     // its thirteen values
  std::vector<std::string> keys;   // the CSV's header keys
  std::vector<Values> units;       // each unit's thirteen values, in CSV order; ID first
};

struct Job {
  int64_t id = 0;
  std::string name, base_file;
  Values base;
  std::vector<std::string> keys;
  int64_t created_ms = 0;
  int unit_count = 0;
};

struct Unit {
  int seq = 0;                // the CSV row, from 1
  std::string dtu_id;         // the ID it is given
  Values target;              // what it is to hold
  UnitState state = UnitState::Pending;
  int attempts = 0;           // failed attempts so far
  std::string step;           // how far the current (or last) claim got
  std::string last_failure;   // the step of the last failed attempt
  std::string reason;         // why it is set aside or in doubt
  std::string bench, port;    // where it is (or was last) claimed
  int64_t session = 0;        // the session holding it (0: none)
  int64_t updated_ms = 0, done_ms = 0;
  Values after;               // what the DTU held after writing (empty until read back)
};

// Who works on a port: the bench's name, the port, and the machine and process.
struct Place {
  std::string bench, port, host;
  int64_t pid = 0;
};

struct Event {
  int64_t id = 0;
  int seq = 0;                // 0: no unit (a DTU that could not be read, ...)
  int64_t session = 0;
  int64_t at_ms = 0;
  std::string bench, port;
  std::string kind;           // created claimed writing taken_over done failed lapsed ...
  std::string state;          // the unit's state after it ("" without a unit)
  std::string step;
  Values before, after;
  std::string detail;
};

struct Session {
  int64_t id = 0;
  Place place;
  int64_t started_ms = 0, lease_until_ms = 0, ended_ms = 0;
};

// A failed attempt at writing a unit.
struct Failure {
  std::string step;      // where it failed: "check", a key, "read-back"
  std::string message;
  Values after;          // what the DTU held after it, when it was read
  bool reached = false;  // something was sent to the DTU: it may hold the unit's ID now
};

// A unit of another job that a DTU reports: such a DTU is left alone.
struct Elsewhere {
  std::string job;
  UnitState state = UnitState::Pending;
};

// What a person decides for a unit that waits for one.
enum class Resolution { ToPool, SetAside };

struct Counts {
  int pending = 0, claimed = 0, writing = 0, done = 0, set_aside = 0, in_doubt = 0;
  int total() const { return pending + claimed + writing + done + set_aside + in_doubt; }
  // Nothing left for any bench: no unit waits, is held, or waits for its DTU to boot.
  bool finished() const { return pending + claimed + writing + in_doubt == 0; }
};

class Journal {
 public:
  // Opens the database and creates or migrates its schema. `create`: an SQLite file that
  // does not exist is made (only job create makes one). Throws DbError, or JournalError for a
  // newer schema.
  static std::unique_ptr<Journal> open(const std::string& target, bool create);
  explicit Journal(std::unique_ptr<Database> db);

  Database& db() { return *db_; }
  // Creates or migrates the schema (one transaction); refuses a newer one.
  void prepare_schema();
  int schema_version();

  // ---- jobs
  // Throws JournalError when the name is taken, or when a unit's ID is also an ID of
  // another job that is not finished (naming that job).
  Job create_job(const NewJob& plan);
  std::optional<Job> find_job(const std::string& name);
  // Throws JournalError naming the job when there is none.
  Job job(const std::string& name);

  // ---- sessions
  int64_t open_session(int64_t job, const Place& place, int64_t lease_ms);
  // False when the session has ended (a lapsed lease is renewed: its claims were
  // already settled, and the bench goes on with whatever it still holds).
  bool renew_session(int64_t session, int64_t lease_ms);
  // A bench that stops in order: its untouched claims go back, a write it cut is in doubt.
  void end_session(int64_t job, int64_t session, const std::string& why);

  // ---- units
  std::optional<Unit> find_unit(int64_t job, const std::string& dtu_id);
  std::optional<Unit> unit(int64_t job, int seq);
  // Settles the claims of sessions whose lease ran out; how many units it moved.
  int settle_lapsed(int64_t job);
  // The next pending unit (fewest failed attempts, then CSV order) for this session, after
  // settling lapsed claims; none when nothing is pending.
  std::optional<Unit> claim_next(int64_t job, int64_t session);
  // A unit of another job with this ID that a DTU may hold (any state but pending).
  std::optional<Elsewhere> find_elsewhere(int64_t job, const std::string& dtu_id);
  // A DTU that already reports this unit's ID: the unit goes straight to writing for this
  // session, from pending, or from in doubt when no live session holds it (never from a
  // live claim, done or set aside).
  std::optional<Unit> take_over(int64_t job, int seq, int64_t session, const Values& before, const std::string& why);
  // Claimed -> writing, before the first byte goes to the DTU; false when the claim is no
  // longer this session's (its lease lapsed meanwhile). True also for a repeat after the
  // answer was lost, when the unit went in doubt meanwhile (still this session's).
  bool start_writing(int64_t job, int seq, int64_t session, const Values& before);
  // How far the write got (no event); false when the unit is not this session's.
  bool note_step(int64_t job, int seq, int64_t session, const std::string& step);
  // Written and read back equal: done. True also when it already is (a commit whose answer
  // was lost); false when the unit is no longer this session's. The times: the write and
  // read-back, and the whole cycle from setting mode (the identifying read included).
  bool finish(int64_t job, int seq, int64_t session, const Values& after, int64_t took_ms, int64_t cycle_ms = 0);
  // A failed attempt of the claim that found the unit with `attempts` failures: in doubt
  // (kept for its DTU) when something reached the DTU, else back to pending; set aside
  // after kMaxAttempts. The new state (also when a repeat finds it already recorded), or
  // none when the unit is no longer this session's.
  std::optional<UnitState> fail(int64_t job, int seq, int64_t session, int attempts, const Failure& failure);
  // A person's answer for a unit in doubt or set aside (or a pending one set aside):
  // journaled with `note` and `who`. Throws JournalError saying why when the unit's state
  // allows no such answer (done, being written, no such unit).
  UnitState resolve(int64_t job, const std::string& dtu_id, Resolution to, const std::string& note,
                    const std::string& who);
  // An event of this session about no unit, or about a unit without changing it.
  void note(int64_t job, int64_t session, int seq, const std::string& kind, const std::string& step,
            const Values& before, const std::string& detail);

  // ---- reading
  Counts counts(int64_t job);
  std::vector<Unit> units(int64_t job);
  // The units that keep the job from its end: claimed, being written, or in doubt.
  std::vector<Unit> outstanding(int64_t job);
  std::vector<Event> events(int64_t job);
  std::vector<Session> sessions(int64_t job);

 private:
  Unit unit_of(const Row& row);
  int settle_lapsed_in(int64_t job);
  void release_stale_claims_in(int64_t job, int64_t session, int keep);
  std::optional<Elsewhere> unfinished_elsewhere(int64_t job, const std::string& dtu_id);
  void append_event(int64_t job, int seq, int64_t session, const std::string& kind, UnitState state,
                    const std::string& step, const Values& before, const Values& after, const std::string& detail);
  std::string now() const;

  std::unique_ptr<Database> db_;
};

// The units' states as the events tell them, by seq: each event names the state it left
// its unit in. An audit compares this with the units themselves.
std::vector<std::pair<int, std::string>> replay_states(const std::vector<Event>& events);

}  // namespace journal
