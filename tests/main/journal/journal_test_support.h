// The journal's two databases for tests: an SQLite file in a scratch folder, and a fresh
// database on the scratch PostgreSQL server that the CTest fixture runs (its folder in
// DTU_TEST_PG_DIR). Each test gets a database of its own, dropped afterwards.
#pragma once

#include <memory>
#include <string>

#include "main/journal/database.h"
#include "main/journal/journal.h"
#include "tests/platform/scratch_dir.h"

namespace journal_test {

class TestDatabase {
 public:
  explicit TestDatabase(journal::System system);
  ~TestDatabase();
  TestDatabase(const TestDatabase&) = delete;
  TestDatabase& operator=(const TestDatabase&) = delete;

  // What --db names: a file path, or a postgresql:// URL.
  const std::string& target() const { return target_; }
  std::unique_ptr<journal::Journal> open() const { return journal::Journal::open(target_, true); }

 private:
  journal::System system_;
  platform_test::ScratchDir scratch_;
  std::string name_;
  std::string target_;
};

// The scratch server's folder; fails the test when the fixture did not say.
std::string postgres_dir();
// A URL for database `name` on the scratch server.
std::string postgres_url(const std::string& name);
// Runs the server script (restart ...); true when it succeeded.
bool postgres_server(const std::string& command);

// Thirteen values for a unit: `id`, the rest fixed (with a marker in DN to tell units apart).
journal::Values unit_values(const std::string& id);
journal::NewJob new_job(const std::string& name, int units, const std::string& prefix = "DTU-");

std::string system_name(journal::System system);

}  // namespace journal_test
