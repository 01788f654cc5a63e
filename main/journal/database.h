// One connection to the journal's database, whichever system keeps it: an SQLite file on one
// bench, a PostgreSQL server shared by many. Statements are written once, with numbered
// parameters ($1, $2 ...) that every backend binds as values: no text from a CSV file or a
// DTU ever becomes part of a statement.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "main/journal/target.h"

namespace journal {

// What went wrong, and so what the caller can do about it. A bench waits out Unreachable,
// runs a Conflict again, and ends (exit status 7, its port closed) on Refused.
struct DbError : std::runtime_error {
  enum class Kind {
    Unreachable,  // no connection (server down or read-only, network gone): wait, reconnect, try again
    Conflict,     // busy, deadlock, serialisation failure, time-out: run the transaction again
    Refused,      // refused, or a fault a person must mend (disk full): trying again changes nothing
  };
  DbError(Kind k, const std::string& message) : std::runtime_error(message), kind(k) {}
  Kind kind;
};

using Param = std::variant<std::nullptr_t, int64_t, std::string>;

// One result row: each cell as text (numbers too), or none for NULL.
struct Row {
  std::vector<std::optional<std::string>> cells;
  bool null(size_t i) const { return !cells.at(i).has_value(); }
  std::string text(size_t i) const { return cells.at(i).value_or(""); }
  int64_t integer(size_t i) const;  // 0 for NULL
};
using Rows = std::vector<Row>;

enum class System { Sqlite, Postgres };

class Database {
 public:
  virtual ~Database() = default;

  virtual System system() const = 0;
  // The target as it may be shown or journaled: a password in it is never part of this.
  virtual std::string where() const = 0;

  // Runs one statement; the rows it returns (none for most writes).
  virtual Rows query(std::string_view sql, const std::vector<Param>& params = {}) = 0;
  // A transaction that will write: SQLite takes the write lock at once, so two writers
  // never deadlock half-way.
  virtual void begin() = 0;
  virtual void commit() = 0;
  virtual void rollback() noexcept = 0;
  virtual bool in_transaction() const = 0;

  // After an Unreachable error: a fresh connection, or Unreachable again.
  virtual void reconnect() = 0;

  // An SQL expression for the database's own clock in milliseconds since 1970 (one clock
  // for every bench sharing a server), and the column type of an auto-numbered key.
  virtual std::string_view now_ms() const = 0;
  virtual std::string_view serial_key() const = 0;
  // Appended to a SELECT that picks rows to change: where the system can, rows another
  // transaction holds are passed over instead of waited for (SQLite has one writer at a
  // time, so it needs nothing).
  virtual std::string_view skip_locked() const = 0;
  // Inside a transaction: waits until no other connection is creating or migrating the
  // schema or making a job (each must see what the other made).
  virtual void lock_exclusive() = 0;
  // The statements that make a table refuse every UPDATE and DELETE.
  virtual std::vector<std::string> append_only(std::string_view table) const = 0;
};

// "postgresql://..." or "postgres://..." (or a connection string of keywords, "host=...
// user=... password=...") opens PostgreSQL; anything else names an SQLite file, made when
// missing only with `create`. Throws DbError, whose message never holds a password.
std::unique_ptr<Database> open_database(const std::string& target, bool create);

// Commits when `body` returns, rolls back when it throws.
template <typename F>
auto in_transaction(Database& db, F&& body) {
  db.begin();
  try {
    if constexpr (std::is_void_v<decltype(body())>) {
      body();
      db.commit();
    } else {
      auto result = body();
      db.commit();
      return result;
    }
  } catch (...) {
    db.rollback();
    throw;
  }
}

}  // namespace journal
