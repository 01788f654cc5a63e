// The journal in an SQLite file: one bench, its port processes sharing the file. The file
// runs in write-ahead-log mode, so readers never wait for the writer and the writer never
// waits for readers; writers queue behind each other for up to a busy time-out. Every
// commit is made durable before it returns (synchronous=FULL): in write-ahead-log mode a
// lighter setting lets a power cut take back the last commits, and a bench would hand out
// again a unit whose DTU it had already written. The log's shared memory needs every
// program on one machine, so a journal on a network file system is refused.
#include "main/journal/sqlite_database.h"

#include <sqlite3.h>

#include <map>

#include "platform/files.h"

namespace journal {
namespace {

constexpr int kBusyTimeoutMs = 15000;

// "$3" becomes "?3": SQLite's numbered parameter. The journal's statements hold no "$"
// inside their literals.
std::string numbered_parameters(std::string_view sql) {
  std::string out;
  out.reserve(sql.size());
  for (size_t i = 0; i < sql.size(); ++i) {
    const bool parameter = sql[i] == '$' && i + 1 < sql.size() && sql[i + 1] >= '0' && sql[i + 1] <= '9';
    out += parameter ? '?' : sql[i];
  }
  return out;
}

class SqliteDatabase final : public Database {
 public:
  SqliteDatabase(std::string path, bool create) : path_(std::move(path)), create_(create) { connect(); }
  ~SqliteDatabase() override { disconnect(); }

  System system() const override { return System::Sqlite; }
  std::string where() const override { return path_; }

  Rows query(std::string_view sql, const std::vector<Param>& params) override {
    sqlite3_stmt* stmt = prepared(sql);
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    for (size_t i = 0; i < params.size(); ++i) {
      const int at = static_cast<int>(i) + 1;
      int rc = SQLITE_OK;
      if (const auto* n = std::get_if<int64_t>(&params[i])) rc = sqlite3_bind_int64(stmt, at, *n);
      else if (const auto* t = std::get_if<std::string>(&params[i]))
        rc = sqlite3_bind_text(stmt, at, t->data(), static_cast<int>(t->size()), SQLITE_TRANSIENT);
      else rc = sqlite3_bind_null(stmt, at);
      if (rc != SQLITE_OK) fail(rc, "binding a value");
    }
    Rows rows;
    for (;;) {
      const int rc = sqlite3_step(stmt);
      if (rc == SQLITE_DONE) break;
      if (rc != SQLITE_ROW) {
        sqlite3_reset(stmt);
        fail(rc, std::string(sql.substr(0, 60)));
      }
      Row row;
      const int n = sqlite3_column_count(stmt);
      for (int c = 0; c < n; ++c) {
        if (sqlite3_column_type(stmt, c) == SQLITE_NULL) {
          row.cells.emplace_back();
          continue;
        }
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
        row.cells.emplace_back(std::string(text, static_cast<size_t>(sqlite3_column_bytes(stmt, c))));
      }
      rows.push_back(std::move(row));
    }
    sqlite3_reset(stmt);
    return rows;
  }

  void begin() override {
    query("BEGIN IMMEDIATE", {});
    in_transaction_ = true;
  }
  void commit() override {
    query("COMMIT", {});
    in_transaction_ = false;
  }
  void rollback() noexcept override {
    in_transaction_ = false;
    if (db_ && !sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  bool in_transaction() const override { return in_transaction_; }

  void reconnect() override {
    disconnect();
    connect();
  }

  std::string_view now_ms() const override { return "CAST((julianday('now') - 2440587.5) * 86400000.0 AS INTEGER)"; }
  std::string_view serial_key() const override { return "INTEGER PRIMARY KEY AUTOINCREMENT"; }
  std::string_view skip_locked() const override { return ""; }
  void lock_exclusive() override {}  // BEGIN IMMEDIATE already holds the only write lock
  std::vector<std::string> append_only(std::string_view table) const override {
    const std::string t(table);
    return {"CREATE TRIGGER IF NOT EXISTS " + t + "_no_update BEFORE UPDATE ON " + t +
                " BEGIN SELECT RAISE(ABORT, 'the journal''s " + t + " are never changed'); END",
            "CREATE TRIGGER IF NOT EXISTS " + t + "_no_delete BEFORE DELETE ON " + t +
                " BEGIN SELECT RAISE(ABORT, 'the journal''s " + t + " are never removed'); END"};
  }

 private:
  void connect() {
    if (const std::string fs = platform::network_file_system(path_); !fs.empty())
      throw DbError(DbError::Kind::Refused,
                    "the journal " + path_ + " is on a network file system (" + fs +
                        "), where an SQLite journal is not safe (its write-ahead log needs every program on one "
                        "machine): keep it on a disk of this PC, or share a PostgreSQL server between benches");
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create_ ? SQLITE_OPEN_CREATE : 0);
    const int rc = sqlite3_open_v2(path_.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
      const std::string why = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
      disconnect();
      throw DbError(DbError::Kind::Unreachable, "cannot open the journal " + path_ + ": " + why);
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    // The mode is kept in the file; every connection asks for it so a new file gets it,
    // and says which mode it got: a file system without shared memory keeps the old one.
    const Rows mode = query("PRAGMA journal_mode=WAL", {});
    const std::string got = mode.empty() ? "" : mode[0].text(0);
    if (got != "wal") {
      disconnect();
      throw DbError(DbError::Kind::Refused, "the journal " + path_ + " cannot keep a write-ahead log (its mode stays \"" +
                                                got + "\"): keep it on a disk of this PC");
    }
    query("PRAGMA synchronous=FULL", {});
    query("PRAGMA foreign_keys=ON", {});
  }

  void disconnect() {
    for (auto& [sql, stmt] : statements_) sqlite3_finalize(stmt);
    statements_.clear();
    if (db_) sqlite3_close(db_);
    db_ = nullptr;
    in_transaction_ = false;
  }

  sqlite3_stmt* prepared(std::string_view sql) {
    auto found = statements_.find(std::string(sql));
    if (found != statements_.end()) return found->second;
    const std::string text = numbered_parameters(sql);
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v2(db_, text.c_str(), static_cast<int>(text.size()), &stmt, nullptr);
    if (rc != SQLITE_OK) fail(rc, std::string(sql.substr(0, 60)));
    statements_.emplace(std::string(sql), stmt);
    return stmt;
  }

  [[noreturn]] void fail(int rc, const std::string& what) {
    throw DbError(sqlite_error_kind(rc), path_ + ": " + sqlite3_errmsg(db_) + " (" + what + ")");
  }

  std::string path_;
  bool create_;
  sqlite3* db_ = nullptr;
  std::map<std::string, sqlite3_stmt*, std::less<>> statements_;
  bool in_transaction_ = false;
};

}  // namespace

DbError::Kind sqlite_error_kind(int code) {
  switch (code & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_PROTOCOL:  // a race over the log's locks: the next try takes them
      return DbError::Kind::Conflict;
    case SQLITE_CANTOPEN:  // the file (or its folder) is not there now: it may come back
      return DbError::Kind::Unreachable;
    default:  // a full or read-only disk, an I/O error, a damaged file: a person must act
      return DbError::Kind::Refused;
  }
}

std::unique_ptr<Database> open_sqlite(const std::string& path, bool create) {
  return std::make_unique<SqliteDatabase>(path, create);
}

}  // namespace journal
