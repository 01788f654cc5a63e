// The journal's real database connection as the simulated world sees it: each statement and
// transaction costs virtual time (other actors run meanwhile, and the bench may be killed
// there), the database's clock is the world's, and the faults of the run's schedule are
// injected: a connection lost, an answer lost after the commit, a busy database, and
// episodes of errors of each class (a full disk, a read-only server, time-outs), with the
// kind the real system's classification gives them.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "main/journal/database.h"
#include "tests/main/provision/sim/world.h"

namespace sim {

// A period in which statements fail with one error of the database system.
struct Episode {
  int64_t from = 0, until = 0;
  std::string what;     // as the system would say it
  int code = 0;         // SQLite's result code, or
  std::string sqlstate; // PostgreSQL's
  bool writes_only = false;
  double rate = 1.0;    // the share of statements that fail
};

struct Faults {
  double lose_answer = 0;  // a commit (or a write outside one) done, its answer lost
  double drop = 0;         // the connection lost before a statement
  double busy = 0;         // a conflict: busy, serialisation failure
  int64_t down_until = -1; // no connection until then (a server restart, a power cut)
  std::vector<Episode> episodes;
};

class FaultyDatabase final : public journal::Database {
 public:
  // `at_step` runs at each step outside a transaction, before its time passes (a kill).
  // Without `faults`, a quiet connection (a person's command, the checks): the world's
  // clock only, no time passing, no faults.
  FaultyDatabase(World& world, Faults* faults, std::unique_ptr<journal::Database> real, std::function<void()> at_step);

  journal::System system() const override { return real_->system(); }
  std::string where() const override { return real_->where(); }
  journal::Rows query(std::string_view sql, const std::vector<journal::Param>& params) override;
  void begin() override;
  void commit() override;
  void rollback() noexcept override { real_->rollback(); }
  bool in_transaction() const override { return real_->in_transaction(); }
  void reconnect() override;
  std::string_view now_ms() const override;
  std::string_view serial_key() const override { return real_->serial_key(); }
  std::string_view skip_locked() const override { return real_->skip_locked(); }
  void lock_exclusive() override { real_->lock_exclusive(); }
  std::vector<std::string> append_only(std::string_view table) const override { return real_->append_only(table); }

 private:
  void step();
  void fail_now(bool write);
  [[noreturn]] void lost(const std::string& why);
  void set_clock();

  World& world_;
  Faults* faults_;
  std::unique_ptr<journal::Database> real_;
  std::function<void()> at_step_;
  bool broken_ = false;
  int64_t clock_set_ = -1;
};

}  // namespace sim
