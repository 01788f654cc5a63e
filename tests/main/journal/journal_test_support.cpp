#include "tests/main/journal/journal_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

namespace journal_test {

std::string postgres_dir() {
  const char* dir = std::getenv("DTU_TEST_PG_DIR");
  if (!dir) ADD_FAILURE() << "DTU_TEST_PG_DIR is not set: run through ctest, whose fixture starts the server";
  return dir ? dir : "/nonexistent";
}

std::string postgres_url(const std::string& name) { return "postgresql:///" + name + "?host=" + postgres_dir() + "&user=dtu"; }

bool postgres_server(const std::string& command) {
  const std::string line = std::string("sh '") + DTU_PG_SERVER_SCRIPT + "' " + command + " '" + postgres_dir() + "'";
  return std::system(line.c_str()) == 0;
}

TestDatabase::TestDatabase(journal::System system) : system_(system) {
  if (system == journal::System::Sqlite) {
    target_ = scratch_.file("journal.sqlite");
    return;
  }
  std::random_device rd;
  name_ = "t" + std::to_string(rd()) + std::to_string(rd());
  auto admin = journal::open_database(postgres_url("dtu_test"), false);
  admin->query("CREATE DATABASE " + name_);
  target_ = postgres_url(name_);
}

TestDatabase::~TestDatabase() {
  if (name_.empty()) return;
  try {
    auto admin = journal::open_database(postgres_url("dtu_test"), false);
    admin->query("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
  } catch (const journal::DbError&) {
    // The server is gone with its folder at the fixture's end anyway.
  }
}

journal::Values unit_values(const std::string& id) {
  return {id, "10.1.2.3", "9000", "dn-" + id + ".example.org", "cmnet", "TCP", "9600", "60", "300",
          "13900000001", "", "", "13900000004"};
}

journal::NewJob new_job(const std::string& name, int units, const std::string& prefix) {
  journal::NewJob plan;
  plan.name = name;
  plan.base_file = "base.txt";
  plan.base = unit_values("BASE");
  plan.keys = {"ID", "DN"};
  for (int i = 1; i <= units; ++i) {
    char number[16];
    std::snprintf(number, sizeof number, "%04d", i);
    plan.units.push_back(unit_values(prefix + number));
  }
  return plan;
}

std::string system_name(journal::System system) { return system == journal::System::Sqlite ? "Sqlite" : "Postgres"; }

}  // namespace journal_test
