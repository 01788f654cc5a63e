#include "tests/main/provision/sim/faulty_database.h"

#include "main/journal/postgres_database.h"
#include "main/journal/sqlite_database.h"

namespace sim {
namespace {

bool writes(std::string_view sql) {
  return sql.substr(0, 6) == "INSERT" || sql.substr(0, 6) == "UPDATE" || sql.substr(0, 6) == "DELETE" ||
         sql.substr(0, 6) == "CREATE";
}

}  // namespace

FaultyDatabase::FaultyDatabase(World& world, Faults* faults, std::unique_ptr<journal::Database> real,
                               std::function<void()> at_step)
    : world_(world), faults_(faults), real_(std::move(real)), at_step_(std::move(at_step)) {
  set_clock();
}

std::string_view FaultyDatabase::now_ms() const {
  return real_->system() == journal::System::Sqlite ? "dtu_sim_now()" : "CAST(current_setting('dtu.now') AS BIGINT)";
}

// The server's clock is a setting of the connection, set before the statements of each step.
void FaultyDatabase::set_clock() {
  if (real_->system() != journal::System::Postgres || clock_set_ == world_.now()) return;
  real_->query("SELECT set_config('dtu.now', $1, false)", {std::to_string(world_.now())});
  clock_set_ = world_.now();
}

// A round trip: the bench may be killed before it, time passes, other actors run.
void FaultyDatabase::step() {
  if (!faults_) return;
  if (at_step_) at_step_();
  world_.sleep(world_.between(1, 4));
  if (broken_) throw journal::DbError(journal::DbError::Kind::Unreachable, "the connection was lost");
  if (faults_->down_until > world_.now()) lost("the server is not answering");
}

void FaultyDatabase::lost(const std::string& why) {
  broken_ = true;
  throw journal::DbError(journal::DbError::Kind::Unreachable, why);
}

void FaultyDatabase::fail_now(bool write) {
  if (!faults_) return;
  if (world_.chance(faults_->drop)) lost("the connection dropped");
  if (world_.chance(faults_->busy))
    throw journal::DbError(real_->system() == journal::System::Sqlite ? journal::sqlite_error_kind(5 /* busy */)
                                                                      : journal::postgres_error_kind("40001"),
                           "the database is busy");
  for (const Episode& e : faults_->episodes) {
    if (world_.now() < e.from || world_.now() >= e.until || (e.writes_only && !write) || !world_.chance(e.rate))
      continue;
    const auto kind = real_->system() == journal::System::Sqlite ? journal::sqlite_error_kind(e.code)
                                                                 : journal::postgres_error_kind(e.sqlstate);
    if (kind == journal::DbError::Kind::Unreachable) lost(e.what);
    throw journal::DbError(kind, e.what);
  }
}

journal::Rows FaultyDatabase::query(std::string_view sql, const std::vector<journal::Param>& params) {
  const bool inside = real_->in_transaction();
  if (!inside) {
    step();
    set_clock();
  } else if (faults_ && world_.chance(faults_->drop / 4)) {
    lost("the connection dropped in a transaction");  // the server rolls it back
  }
  fail_now(writes(sql));
  journal::Rows rows = real_->query(sql, params);
  if (faults_ && !inside && writes(sql) && world_.chance(faults_->lose_answer)) lost("the answer was lost");
  return rows;
}

void FaultyDatabase::begin() {
  step();
  set_clock();
  fail_now(true);
  real_->begin();
}

void FaultyDatabase::commit() {
  real_->commit();
  if (faults_ && world_.chance(faults_->lose_answer)) lost("the answer to the commit was lost");
}

void FaultyDatabase::reconnect() {
  if (faults_) {
    if (at_step_) at_step_();
    world_.sleep(world_.between(1, 10));
  }
  if (faults_ && faults_->down_until > world_.now())
    throw journal::DbError(journal::DbError::Kind::Unreachable, "the server is not answering");
  real_->reconnect();
  broken_ = false;
  clock_set_ = -1;
  set_clock();
}

}  // namespace sim
