#include "main/journal/journal.h"

#include <functional>
#include <map>

#include "main/journal/schema.h"

namespace journal {
namespace {

constexpr std::string_view kStateNames[] = {"pending", "claimed", "writing", "done", "set_aside", "in_doubt"};

// The columns unit_of() reads, in its order.
constexpr const char* kUnitColumns =
    "seq, dtu_id, values_target, state, attempts, step, last_failure, reason, bench, port, session_id, updated_ms, "
    "done_ms, values_after";

// The states in which a unit keeps its job from its end.
constexpr const char* kUnfinishedStates = "('pending', 'claimed', 'writing', 'in_doubt')";

Param optional_id(int64_t id) { return id == 0 ? Param(nullptr) : Param(id); }

std::string join(const std::vector<std::string>& parts) {
  std::string out;
  for (const auto& p : parts) out += (out.empty() ? "" : " ") + p;
  return out;
}

std::vector<std::string> split_words(const std::string& text) {
  std::vector<std::string> out;
  size_t from = 0;
  while (from < text.size()) {
    size_t to = text.find(' ', from);
    if (to == std::string::npos) to = text.size();
    if (to > from) out.push_back(text.substr(from, to - from));
    from = to + 1;
  }
  return out;
}

Values decoded(const std::string& json) { return values_from_json(json).value_or(Values{}); }

}  // namespace

std::string_view state_name(UnitState state) { return kStateNames[static_cast<size_t>(state)]; }

std::optional<UnitState> state_from_name(std::string_view name) {
  for (size_t i = 0; i < std::size(kStateNames); ++i)
    if (kStateNames[i] == name) return static_cast<UnitState>(i);
  return std::nullopt;
}

std::unique_ptr<Journal> Journal::open(const std::string& target, bool create) {
  auto journal = std::make_unique<Journal>(open_database(target, create));
  journal->prepare_schema();
  return journal;
}

Journal::Journal(std::unique_ptr<Database> db) : db_(std::move(db)) {}

std::string Journal::now() const { return std::string(db_->now_ms()); }

void Journal::prepare_schema() { migrate_schema(*db_, kSchemaVersion); }

int Journal::schema_version() { return stored_schema_version(*db_); }

// ---- jobs

Job Journal::create_job(const NewJob& plan) {
  return in_transaction(*db_, [&] {
    db_->lock_exclusive();  // two jobs made at once must see each other's IDs
    if (!db_->query("SELECT id FROM jobs WHERE name = $1", {plan.name}).empty())
      throw JournalError("a job named \"" + plan.name + "\" already exists in " + db_->where());
    // A DTU is found again by the ID it reports, whichever job made it: the jobs that are
    // not finished share no ID.
    std::map<std::string, std::string> taken;
    for (const Row& r : db_->query(std::string("SELECT u.dtu_id, j.name FROM units u JOIN jobs j ON j.id = u.job_id "
                                               "WHERE EXISTS (SELECT 1 FROM units o WHERE o.job_id = u.job_id AND "
                                               "o.state IN ") + kUnfinishedStates + ")"))
      taken.emplace(r.text(0), r.text(1));
    for (const Values& unit : plan.units)
      if (const auto other = taken.find(unit.at(0)); other != taken.end())
        throw JournalError("ID \"" + unit.at(0) + "\" is also a unit of job \"" + other->second +
                           "\", which is not finished; the jobs of one journal that are not finished share no ID");
    const Rows made = db_->query(
        "INSERT INTO jobs (name, base_file, base_values, csv_keys, created_ms, unit_count) VALUES ($1, $2, $3, $4, " +
            now() + ", $5) RETURNING id",
        {plan.name, plan.base_file, values_json(plan.base), join(plan.keys), static_cast<int64_t>(plan.units.size())});
    const int64_t job = made.at(0).integer(0);
    for (size_t i = 0; i < plan.units.size(); ++i) {
      const int seq = static_cast<int>(i) + 1;
      db_->query("INSERT INTO units (job_id, seq, dtu_id, values_target, state, updated_ms) VALUES ($1, $2, $3, $4, "
                 "'pending', " + now() + ")",
                 {job, static_cast<int64_t>(seq), plan.units[i].at(0), values_json(plan.units[i])});
      append_event(job, seq, 0, "created", UnitState::Pending, "", {}, plan.units[i], "");
    }
    return this->job(plan.name);
  });
}

std::optional<Job> Journal::find_job(const std::string& name) {
  const Rows rows =
      db_->query("SELECT id, name, base_file, base_values, csv_keys, created_ms, unit_count FROM jobs WHERE name = $1",
                 {name});
  if (rows.empty()) return std::nullopt;
  const Row& r = rows[0];
  return Job{r.integer(0), r.text(1), r.text(2), decoded(r.text(3)), split_words(r.text(4)), r.integer(5),
             static_cast<int>(r.integer(6))};
}

Job Journal::job(const std::string& name) {
  auto found = find_job(name);
  if (!found) throw JournalError("no job named \"" + name + "\" in " + db_->where());
  return *found;
}

// ---- sessions

int64_t Journal::open_session(int64_t job, const Place& place, int64_t lease_ms) {
  return in_transaction(*db_, [&] {
    const Rows rows = db_->query("INSERT INTO sessions (job_id, bench, port, host, pid, started_ms, lease_until_ms) "
                                 "VALUES ($1, $2, $3, $4, $5, " + now() + ", " + now() + " + $6) RETURNING id",
                                 {job, place.bench, place.port, place.host, place.pid, lease_ms});
    const int64_t session = rows.at(0).integer(0);
    append_event(job, 0, session, "session_started", UnitState::Pending, "", {}, {},
                 "host " + place.host + ", process " + std::to_string(place.pid));
    return session;
  });
}

bool Journal::renew_session(int64_t session, int64_t lease_ms) {
  return !db_->query("UPDATE sessions SET lease_until_ms = " + now() + " + $2, lapsed_ms = NULL WHERE id = $1 AND "
                     "ended_ms IS NULL RETURNING id",
                     {session, lease_ms})
              .empty();
}

void Journal::end_session(int64_t job, int64_t session, const std::string& why) {
  in_transaction(*db_, [&] {
    db_->query("UPDATE sessions SET ended_ms = " + now() + ", lease_until_ms = 0 WHERE id = $1", {session});
    for (const Row& r : db_->query("UPDATE units SET state = 'pending', updated_ms = " + now() +
                                       " WHERE job_id = $1 AND session_id = $2 AND state = 'claimed' RETURNING seq",
                                   {job, session}))
      append_event(job, static_cast<int>(r.integer(0)), session, "released", UnitState::Pending, "claimed", {}, {}, why);
    for (const Row& r : db_->query("UPDATE units SET state = 'in_doubt', updated_ms = " + now() +
                                       " WHERE job_id = $1 AND session_id = $2 AND state = 'writing' "
                                       "RETURNING seq, bench, port, step",
                                   {job, session})) {
      const int seq = static_cast<int>(r.integer(0));
      const std::string reason = "bench " + r.text(1) + ", port " + r.text(2) + " " + why + " during step " + r.text(3);
      db_->query("UPDATE units SET reason = $3 WHERE job_id = $1 AND seq = $2", {job, static_cast<int64_t>(seq), reason});
      append_event(job, seq, session, "in_doubt", UnitState::InDoubt, r.text(3), {}, {}, reason);
    }
    append_event(job, 0, session, "session_ended", UnitState::Pending, "", {}, {}, why);
  });
}

// ---- units

Unit Journal::unit_of(const Row& r) {
  Unit u;
  u.seq = static_cast<int>(r.integer(0));
  u.dtu_id = r.text(1);
  u.target = decoded(r.text(2));
  u.state = state_from_name(r.text(3)).value_or(UnitState::Pending);
  u.attempts = static_cast<int>(r.integer(4));
  u.step = r.text(5);
  u.last_failure = r.text(6);
  u.reason = r.text(7);
  u.bench = r.text(8);
  u.port = r.text(9);
  u.session = r.integer(10);
  u.updated_ms = r.integer(11);
  u.done_ms = r.integer(12);
  u.after = decoded(r.text(13));
  return u;
}

std::optional<Unit> Journal::find_unit(int64_t job, const std::string& dtu_id) {
  const Rows rows =
      db_->query(std::string("SELECT ") + kUnitColumns + " FROM units WHERE job_id = $1 AND dtu_id = $2", {job, dtu_id});
  if (rows.empty()) return std::nullopt;
  return unit_of(rows[0]);
}

std::optional<Unit> Journal::unit(int64_t job, int seq) {
  const Rows rows = db_->query(std::string("SELECT ") + kUnitColumns + " FROM units WHERE job_id = $1 AND seq = $2",
                               {job, static_cast<int64_t>(seq)});
  if (rows.empty()) return std::nullopt;
  return unit_of(rows[0]);
}

// Inside a transaction. Every claim or write held by a session whose lease has run out is
// settled, whenever it was made: a bench that was cut off may claim again before its lease is
// renewed, and a claim it makes then is settled like the others. A unit keeps the session
// and place of its last holder, so the events name the bench whose lease ran out. Most calls
// find nothing to settle, in one statement.
int Journal::settle_lapsed_in(int64_t job) {
  const Rows lapsed = db_->query("SELECT DISTINCT u.session_id FROM units u JOIN sessions s ON s.id = u.session_id "
                                 "WHERE u.job_id = $1 AND u.state IN ('claimed', 'writing') AND s.ended_ms IS NULL "
                                 "AND s.lease_until_ms < " + now() + " ORDER BY u.session_id",
                                 {job});
  int count = 0;
  for (const Row& s : lapsed) {
    const int64_t session = s.integer(0);
    db_->query("UPDATE sessions SET lapsed_ms = " + now() + " WHERE id = $1 AND lapsed_ms IS NULL", {session});
    for (const Row& r : db_->query("UPDATE units SET state = 'pending', updated_ms = " + now() +
                                       " WHERE job_id = $1 AND session_id = $2 AND state = 'claimed' "
                                       "RETURNING seq, bench, port, step",
                                   {job, session})) {
      append_event(job, static_cast<int>(r.integer(0)), session, "lapsed", UnitState::Pending, r.text(3), {}, {},
                   "the lease of bench " + r.text(1) + ", port " + r.text(2) +
                       " ran out before its DTU was written: back to the pool");
      ++count;
    }
    for (const Row& r : db_->query("UPDATE units SET state = 'in_doubt', updated_ms = " + now() +
                                       " WHERE job_id = $1 AND session_id = $2 AND state = 'writing' "
                                       "RETURNING seq, bench, port, step",
                                   {job, session})) {
      const int seq = static_cast<int>(r.integer(0));
      const std::string reason =
          "bench " + r.text(1) + ", port " + r.text(2) + " stopped answering during step " + r.text(3);
      db_->query("UPDATE units SET reason = $3 WHERE job_id = $1 AND seq = $2", {job, static_cast<int64_t>(seq), reason});
      append_event(job, seq, session, "lapsed", UnitState::InDoubt, r.text(3), {}, {},
                   "the lease ran out while its DTU was being written: " + reason);
      ++count;
    }
  }
  return count;
}

int Journal::settle_lapsed(int64_t job) {
  return in_transaction(*db_, [&] { return settle_lapsed_in(job); });
}

// A port holds one unit at a time: a claim this session still holds unwritten is one whose
// answer was lost with the connection. It goes back before the session claims again.
void Journal::release_stale_claims_in(int64_t job, int64_t session, int keep) {
  for (const Row& r : db_->query("UPDATE units SET state = 'pending', updated_ms = " + now() +
                                     " WHERE job_id = $1 AND state = 'claimed' AND session_id = $2 AND seq <> $3 "
                                     "RETURNING seq",
                                 {job, session, static_cast<int64_t>(keep)}))
    append_event(job, static_cast<int>(r.integer(0)), session, "released", UnitState::Pending, "claimed", {}, {},
                 "claimed by this port before its connection was lost; never written");
}

std::optional<Unit> Journal::claim_next(int64_t job, int64_t session) {
  return in_transaction(*db_, [&]() -> std::optional<Unit> {
    settle_lapsed_in(job);
    release_stale_claims_in(job, session, 0);
    const Rows rows = db_->query(
        "UPDATE units SET state = 'claimed', session_id = $2, step = 'claimed', reason = '', "
        "bench = (SELECT bench FROM sessions WHERE id = $2), port = (SELECT port FROM sessions WHERE id = $2), "
        "updated_ms = " + now() + " WHERE job_id = $1 AND seq = (SELECT seq FROM units WHERE job_id = $1 AND "
        "state = 'pending' ORDER BY attempts, seq LIMIT 1" + std::string(db_->skip_locked()) + ") RETURNING " +
            kUnitColumns,
        {job, session});
    if (rows.empty()) return std::nullopt;
    Unit u = unit_of(rows[0]);
    append_event(job, u.seq, session, "claimed", UnitState::Claimed, "claimed", {}, {}, "");
    return u;
  });
}

std::optional<Elsewhere> Journal::find_elsewhere(int64_t job, const std::string& dtu_id) {
  const Rows rows = db_->query("SELECT j.name, u.state FROM units u JOIN jobs j ON j.id = u.job_id WHERE u.dtu_id = $2 "
                               "AND u.job_id <> $1 AND u.state <> 'pending' ORDER BY u.job_id DESC LIMIT 1",
                               {job, dtu_id});
  if (rows.empty()) return std::nullopt;
  return Elsewhere{rows[0].text(0), state_from_name(rows[0].text(1)).value_or(UnitState::Pending)};
}

std::optional<Elsewhere> Journal::unfinished_elsewhere(int64_t job, const std::string& dtu_id) {
  const Rows rows = db_->query(std::string("SELECT j.name, u.state FROM units u JOIN jobs j ON j.id = u.job_id WHERE "
                                           "u.dtu_id = $2 AND u.job_id <> $1 AND EXISTS (SELECT 1 FROM units o WHERE "
                                           "o.job_id = u.job_id AND o.state IN ") + kUnfinishedStates + ") LIMIT 1",
                               {job, dtu_id});
  if (rows.empty()) return std::nullopt;
  return Elsewhere{rows[0].text(0), state_from_name(rows[0].text(1)).value_or(UnitState::Pending)};
}

std::optional<Unit> Journal::take_over(int64_t job, int seq, int64_t session, const Values& before,
                                       const std::string& why) {
  return in_transaction(*db_, [&]() -> std::optional<Unit> {
    settle_lapsed_in(job);
    release_stale_claims_in(job, session, seq);
    const auto was = unit(job, seq);
    if (!was) return std::nullopt;
    // Already this session's: a repeat after the answer was lost.
    if (was->session == session && was->state == UnitState::Writing) return was;
    // A unit in doubt whose session still lives is that bench's (its lease was renewed
    // after it lapsed): its DTU is on that bench, so a DTU here reporting the ID is another.
    const Rows rows = db_->query(
        "UPDATE units SET state = 'writing', session_id = $3, step = 'writing', reason = '', "
        "bench = (SELECT bench FROM sessions WHERE id = $3), port = (SELECT port FROM sessions WHERE id = $3), "
        "updated_ms = " + now() + " WHERE job_id = $1 AND seq = $2 AND (state = 'pending' OR (state = 'in_doubt' AND "
        "(session_id IS NULL OR session_id = $3 OR session_id IN (SELECT id FROM sessions WHERE ended_ms IS NOT NULL "
        "OR lease_until_ms < " + now() + ")))) RETURNING " + kUnitColumns,
        {job, static_cast<int64_t>(seq), session});
    if (rows.empty()) return std::nullopt;
    std::string detail = why + " (it was " + std::string(state_name(was->state));
    if (!was->bench.empty()) detail += ", last at bench " + was->bench + " port " + was->port;
    append_event(job, seq, session, "taken_over", UnitState::Writing, "writing", before, {}, detail + ")");
    return unit_of(rows[0]);
  });
}

bool Journal::start_writing(int64_t job, int seq, int64_t session, const Values& before) {
  return in_transaction(*db_, [&] {
    const Rows rows = db_->query("UPDATE units SET state = 'writing', step = 'writing', updated_ms = " + now() +
                                     " WHERE job_id = $1 AND seq = $2 AND session_id = $3 AND state = 'claimed' "
                                     "RETURNING seq",
                                 {job, static_cast<int64_t>(seq), session});
    if (rows.empty()) {
      // A repeat after the answer was lost: the unit is this session's, being written, or
      // in doubt if the session's lease ran out meanwhile (it finishes it all the same).
      const auto u = unit(job, seq);
      return u && u->session == session && (u->state == UnitState::Writing || u->state == UnitState::InDoubt);
    }
    append_event(job, seq, session, "writing", UnitState::Writing, "writing", before, {}, "");
    return true;
  });
}

bool Journal::note_step(int64_t job, int seq, int64_t session, const std::string& step) {
  return !db_->query("UPDATE units SET step = $4, updated_ms = " + now() +
                         " WHERE job_id = $1 AND seq = $2 AND session_id = $3 AND state IN ('writing', 'in_doubt') "
                         "RETURNING seq",
                     {job, static_cast<int64_t>(seq), session, step})
              .empty();
}

bool Journal::finish(int64_t job, int seq, int64_t session, const Values& after, int64_t took_ms, int64_t cycle_ms) {
  return in_transaction(*db_, [&] {
    const Rows rows = db_->query("UPDATE units SET state = 'done', step = 'done', reason = '', values_after = $4, "
                                 "done_ms = " + now() + ", updated_ms = " + now() +
                                     " WHERE job_id = $1 AND seq = $2 AND session_id = $3 AND state IN ('writing', "
                                     "'in_doubt') RETURNING seq",
                                 {job, static_cast<int64_t>(seq), session, values_json(after)});
    if (rows.empty()) {
      const auto u = unit(job, seq);
      return u && u->session == session && u->state == UnitState::Done;
    }
    std::string detail = "written and read back in " + std::to_string(took_ms) + " ms";
    if (cycle_ms > 0) detail += "; " + std::to_string(cycle_ms) + " ms from setting mode";
    append_event(job, seq, session, "done", UnitState::Done, "done", {}, after, detail);
    return true;
  });
}

std::optional<UnitState> Journal::fail(int64_t job, int seq, int64_t session, int attempts, const Failure& f) {
  return in_transaction(*db_, [&]() -> std::optional<UnitState> {
    const std::string aside =
        "failed " + std::to_string(kMaxAttempts) + " times, last at step " + f.step + ": " + f.message;
    const std::string kept = "failed at step " + f.step + " (" + f.message + "), attempt " +
                             std::to_string(attempts + 1) + " of " + std::to_string(kMaxAttempts) +
                             "; its DTU may hold the ID: kept for that DTU until it boots again on any bench, or a "
                             "person settles it (job resolve)";
    // No session holds it any more: a unit in doubt is free for its DTU on any bench.
    const Rows rows = db_->query(
        "UPDATE units SET attempts = attempts + 1, last_failure = $4, step = $4, values_after = $5, session_id = NULL, "
        "state = CASE WHEN attempts + 1 >= $6 THEN 'set_aside' WHEN $8 = 1 THEN 'in_doubt' ELSE 'pending' END, "
        "reason = CASE WHEN attempts + 1 >= $6 THEN $7 WHEN $8 = 1 THEN $9 ELSE '' END, updated_ms = " + now() +
            " WHERE job_id = $1 AND seq = $2 AND session_id = $3 AND attempts = $10 AND state IN ('writing', "
            "'in_doubt') RETURNING state",
        {job, static_cast<int64_t>(seq), session, f.step, values_json(f.after), static_cast<int64_t>(kMaxAttempts),
         aside, static_cast<int64_t>(f.reached ? 1 : 0), kept, static_cast<int64_t>(attempts)});
    if (rows.empty()) {
      // A repeat after the answer was lost finds its own failure recorded: one more
      // attempt, at this step, by this session's place.
      const auto u = unit(job, seq);
      const Rows place = db_->query("SELECT bench, port FROM sessions WHERE id = $1", {session});
      if (u && !place.empty() && u->attempts == attempts + 1 && u->last_failure == f.step && u->session == 0 &&
          u->bench == place[0].text(0) && u->port == place[0].text(1) &&
          (u->state == UnitState::Pending || u->state == UnitState::InDoubt || u->state == UnitState::SetAside))
        return u->state;
      return std::nullopt;
    }
    const UnitState state = state_from_name(rows[0].text(0)).value_or(UnitState::Pending);
    append_event(job, seq, session, "failed", state, f.step, {}, f.after, f.message);
    return state;
  });
}

UnitState Journal::resolve(int64_t job, const std::string& dtu_id, Resolution to, const std::string& note,
                           const std::string& who) {
  return in_transaction(*db_, [&] {
    settle_lapsed_in(job);
    const auto u = find_unit(job, dtu_id);
    if (!u) throw JournalError("the job has no unit with ID \"" + dtu_id + "\"");
    const bool to_pool = to == Resolution::ToPool;
    switch (u->state) {
      case UnitState::Done:
        throw JournalError(dtu_id + " is done (bench " + u->bench + ", port " + u->port + "): nothing to settle");
      case UnitState::Claimed:
      case UnitState::Writing:
        throw JournalError(dtu_id + " is being written by bench " + u->bench + ", port " + u->port +
                           " right now; settle it once that bench has stopped and its lease has run out");
      case UnitState::Pending:
        if (to_pool) throw JournalError(dtu_id + " is already in the pool");
        break;
      case UnitState::SetAside:
        if (!to_pool) throw JournalError(dtu_id + " is already set aside");
        break;
      case UnitState::InDoubt: break;
    }
    if (to_pool) {
      if (const auto other = unfinished_elsewhere(job, dtu_id))
        throw JournalError("ID \"" + dtu_id + "\" is also a unit of job \"" + other->job +
                           "\", which is not finished: it cannot go back to this job's pool");
    }
    const std::string said = std::string(to_pool ? "to the pool" : "set aside") + " by a person" +
                             (who.empty() ? "" : " (" + who + ")") + (note.empty() ? "" : ": " + note);
    // Back in the pool it starts afresh: the person vouches that no DTU holds its ID.
    db_->query("UPDATE units SET state = $3, session_id = NULL, attempts = CASE WHEN $3 = 'pending' THEN 0 ELSE "
               "attempts END, reason = $4, step = 'resolved', updated_ms = " + now() + " WHERE job_id = $1 AND seq = $2",
               {job, static_cast<int64_t>(u->seq), std::string(to_pool ? "pending" : "set_aside"),
                to_pool ? std::string() : said});
    const UnitState state = to_pool ? UnitState::Pending : UnitState::SetAside;
    append_event(job, u->seq, 0, "resolved", state, "", {}, {}, said);
    return state;
  });
}

void Journal::note(int64_t job, int64_t session, int seq, const std::string& kind, const std::string& step,
                   const Values& before, const std::string& detail) {
  in_transaction(*db_, [&] {
    UnitState state = UnitState::Pending;
    if (seq != 0) {
      const auto u = unit(job, seq);
      if (u) state = u->state;
    }
    append_event(job, seq, session, kind, state, step, before, {}, detail);
  });
}

void Journal::append_event(int64_t job, int seq, int64_t session, const std::string& kind, UnitState state,
                           const std::string& step, const Values& before, const Values& after,
                           const std::string& detail) {
  db_->query("INSERT INTO events (job_id, seq, session_id, at_ms, bench, port, kind, state, step, values_before, "
             "values_after, detail) VALUES ($1, $2, $3, " + now() + ", "
             "COALESCE((SELECT bench FROM sessions WHERE id = $3), ''), "
             "COALESCE((SELECT port FROM sessions WHERE id = $3), ''), $4, $5, $6, $7, $8, $9)",
             {job, seq == 0 ? Param(nullptr) : Param(static_cast<int64_t>(seq)), optional_id(session), kind,
              seq == 0 ? std::string() : std::string(state_name(state)), step, values_json(before), values_json(after),
              detail});
}

// ---- reading

Counts Journal::counts(int64_t job) {
  Counts c;
  for (const Row& r : db_->query("SELECT state, COUNT(*) FROM units WHERE job_id = $1 GROUP BY state", {job})) {
    const int n = static_cast<int>(r.integer(1));
    switch (state_from_name(r.text(0)).value_or(UnitState::Pending)) {
      case UnitState::Pending: c.pending += n; break;
      case UnitState::Claimed: c.claimed += n; break;
      case UnitState::Writing: c.writing += n; break;
      case UnitState::Done: c.done += n; break;
      case UnitState::SetAside: c.set_aside += n; break;
      case UnitState::InDoubt: c.in_doubt += n; break;
    }
  }
  return c;
}

std::vector<Unit> Journal::units(int64_t job) {
  std::vector<Unit> out;
  for (const Row& r : db_->query(std::string("SELECT ") + kUnitColumns + " FROM units WHERE job_id = $1 ORDER BY seq", {job}))
    out.push_back(unit_of(r));
  return out;
}

std::vector<Unit> Journal::outstanding(int64_t job) {
  std::vector<Unit> out;
  for (const Row& r : db_->query(std::string("SELECT ") + kUnitColumns + " FROM units WHERE job_id = $1 AND state IN "
                                 "('claimed', 'writing', 'in_doubt') ORDER BY seq",
                                 {job}))
    out.push_back(unit_of(r));
  return out;
}

std::vector<Event> Journal::events(int64_t job) {
  std::vector<Event> out;
  for (const Row& r : db_->query("SELECT id, seq, session_id, at_ms, bench, port, kind, state, step, values_before, "
                                 "values_after, detail FROM events WHERE job_id = $1 ORDER BY id",
                                 {job})) {
    Event e;
    e.id = r.integer(0);
    e.seq = static_cast<int>(r.integer(1));
    e.session = r.integer(2);
    e.at_ms = r.integer(3);
    e.bench = r.text(4);
    e.port = r.text(5);
    e.kind = r.text(6);
    e.state = r.text(7);
    e.step = r.text(8);
    e.before = decoded(r.text(9));
    e.after = decoded(r.text(10));
    e.detail = r.text(11);
    out.push_back(std::move(e));
  }
  return out;
}

std::vector<Session> Journal::sessions(int64_t job) {
  std::vector<Session> out;
  for (const Row& r : db_->query("SELECT id, bench, port, host, pid, started_ms, lease_until_ms, ended_ms FROM sessions "
                                 "WHERE job_id = $1 ORDER BY id",
                                 {job}))
    out.push_back({r.integer(0), {r.text(1), r.text(2), r.text(3), r.integer(4)}, r.integer(5), r.integer(6), r.integer(7)});
  return out;
}

std::vector<std::pair<int, std::string>> replay_states(const std::vector<Event>& events) {
  std::map<int, std::string> state;
  for (const Event& e : events)
    if (e.seq != 0 && !e.state.empty()) state[e.seq] = e.state;
  return {state.begin(), state.end()};
}

}  // namespace journal
