#include "main/journal/schema.h"

#include <functional>
#include <vector>

#include "main/journal/journal.h"

namespace journal {
namespace {

// Version 1: jobs, their units, the benches' port sessions and the append-only events.
void version_1(Database& db) {
  const std::string key(db.serial_key());
  const std::vector<std::string> statements = {
      "CREATE TABLE jobs (id " + key + ", name TEXT NOT NULL UNIQUE, base_file TEXT NOT NULL, "
      "base_values TEXT NOT NULL, csv_keys TEXT NOT NULL, created_ms BIGINT NOT NULL, unit_count INTEGER NOT NULL)",
      "CREATE TABLE sessions (id " + key + ", job_id BIGINT NOT NULL REFERENCES jobs (id), bench TEXT NOT NULL, "
      "port TEXT NOT NULL, host TEXT NOT NULL, pid BIGINT NOT NULL, started_ms BIGINT NOT NULL, "
      "lease_until_ms BIGINT NOT NULL, lapsed_ms BIGINT, ended_ms BIGINT)",
      "CREATE INDEX sessions_lease ON sessions (job_id, lease_until_ms)",
      "CREATE TABLE units (job_id BIGINT NOT NULL REFERENCES jobs (id), seq INTEGER NOT NULL, dtu_id TEXT NOT NULL, "
      "values_target TEXT NOT NULL, state TEXT NOT NULL CHECK (state IN ('pending', 'claimed', 'writing', 'done', "
      "'set_aside', 'in_doubt')), attempts INTEGER NOT NULL DEFAULT 0, step TEXT NOT NULL DEFAULT '', "
      "last_failure TEXT NOT NULL DEFAULT '', reason TEXT NOT NULL DEFAULT '', bench TEXT NOT NULL DEFAULT '', "
      "port TEXT NOT NULL DEFAULT '', session_id BIGINT REFERENCES sessions (id), updated_ms BIGINT NOT NULL, "
      "done_ms BIGINT, values_after TEXT NOT NULL DEFAULT '', PRIMARY KEY (job_id, seq), UNIQUE (job_id, dtu_id))",
      "CREATE INDEX units_by_state ON units (job_id, state, attempts, seq)",
      // No foreign keys here: every bench's event would lock the job's row for its
      // transaction, and the events are written only beside the change they describe.
      "CREATE TABLE events (id " + key + ", job_id BIGINT NOT NULL, seq INTEGER, "
      "session_id BIGINT, at_ms BIGINT NOT NULL, bench TEXT NOT NULL, port TEXT NOT NULL, "
      "kind TEXT NOT NULL, state TEXT NOT NULL, step TEXT NOT NULL, values_before TEXT NOT NULL, "
      "values_after TEXT NOT NULL, detail TEXT NOT NULL)",
      "CREATE INDEX events_by_job ON events (job_id, id)",
  };
  for (const auto& sql : statements) db.query(sql);
  for (const auto& sql : db.append_only("events")) db.query(sql);
}

// Version 2: units found by ID across jobs (a DTU of another job is recognised and left
// alone; a job's IDs are checked against the jobs that are not finished).
void version_2(Database& db) { db.query("CREATE INDEX units_by_dtu_id ON units (dtu_id)"); }

const std::vector<std::function<void(Database&)>>& migrations() {
  static const std::vector<std::function<void(Database&)>> all = {version_1, version_2};
  return all;
}

int read_version(Database& db) {
  const Rows rows = db.query("SELECT MAX(version) FROM schema_version");
  return rows.empty() ? 0 : static_cast<int>(rows[0].integer(0));
}

}  // namespace

int stored_schema_version(Database& db) {
  // A database without the table answers with an error; that is version 0.
  try {
    return read_version(db);
  } catch (const DbError& e) {
    if (e.kind != DbError::Kind::Refused) throw;
    if (db.in_transaction()) db.rollback();
    return 0;
  }
}

void migrate_schema(Database& db, int version) {
  if (static_cast<size_t>(version) > migrations().size()) throw JournalError("no such schema version");
  // Most opens find the schema current: a read tells without taking the write lock.
  const int seen = stored_schema_version(db);
  if (seen == version) return;
  if (seen > version)
    throw JournalError(db.where() + " holds a journal of schema version " + std::to_string(seen) +
                       ", made by a newer dtu-setup-cli (this one knows up to version " + std::to_string(version) +
                       "); nothing was changed");
  in_transaction(db, [&] {
    db.lock_exclusive();
    db.query("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)");
    const int at = read_version(db);  // again, under the lock: another program may have done it
    if (at > version)
      throw JournalError(db.where() + " holds a journal of schema version " + std::to_string(at) +
                         ", made by a newer dtu-setup-cli; nothing was changed");
    for (int v = at; v < version; ++v) migrations()[static_cast<size_t>(v)](db);
    if (at < version) {
      db.query("DELETE FROM schema_version");
      db.query("INSERT INTO schema_version (version) VALUES ($1)", {static_cast<int64_t>(version)});
    }
  });
}

}  // namespace journal
