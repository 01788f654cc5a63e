// Several benches sharing one job on a PostgreSQL server: three benches of three ports each
// against nine simulators work through 60 units. One bench loses its power (SIGKILL) in the
// middle of a write, and the database server restarts while the others write (a network
// blip). The cut unit stays in doubt until its DTU boots on another bench, which finishes
// it; the benches wait for the server and go on; nothing is lost and no ID ends up on two
// DTUs, as the simulators' own files show.
#include <gtest/gtest.h>
#include <signal.h>

#include <optional>
#include <set>

#include "tests/main/journal/journal_test_support.h"
#include "tests/main/provision/provision_test_support.h"

namespace provision_test {
namespace {

using namespace std::chrono_literals;
using journal::UnitState;

// Journal reads that ride out the server's restart.
class Watcher {
 public:
  explicit Watcher(std::string target) : target_(std::move(target)) {}
  std::vector<journal::Unit> units(int64_t job) {
    try {
      if (!j_) j_ = journal::Journal::open(target_, false);
      return j_->units(job);
    } catch (const journal::DbError&) {
      j_.reset();
      return {};
    }
  }

 private:
  std::string target_;
  std::unique_ptr<journal::Journal> j_;
};

// A unit this bench is writing whose ID has already gone to its DTU.
std::optional<journal::Unit> past_its_id(const std::vector<journal::Unit>& units, const std::set<std::string>& benches) {
  for (const auto& u : units)
    if (u.state == UnitState::Writing && benches.count(u.bench) && u.step != "writing" && u.step != "ID" &&
        u.step != "read-back")
      return u;
  return std::nullopt;
}

TEST(PostgresBenches, ABenchKilledMidWriteAndAServerRestartLoseNothing) {
  journal_test::TestDatabase database(journal::System::Postgres);
  platform_test::ScratchDir scratch;
  auto dir = [&](const std::string& name) { return scratch.file(name); };
  const std::string db = database.target();
  ASSERT_EQ(make_job(dir(""), db, "run-60", 60), 0);
  const int64_t job = journal::Journal::open(db, false)->job("run-60").id;

  Simulators sims(dir(""));
  std::map<std::string, std::vector<std::string>> ports;
  for (const char* bench : {"A", "B", "C"})
    for (int i = 1; i <= 3; ++i) ports[bench].push_back(sims.start(std::string(bench) + std::to_string(i), true));
  std::map<std::string, std::unique_ptr<Process>> benches;
  auto start = [&](const std::string& bench, const std::vector<std::string>& its_ports) {
    benches[bench] = std::make_unique<Process>(DTU_SETUP_CLI_PROGRAM, provision_args(db, "run-60", bench, its_ports, 3),
                                               dir(bench + ".out"), dir(bench + ".err"));
  };
  for (const char* bench : {"A", "B", "C"}) start(bench, ports[bench]);
  auto outputs = [&] {
    std::string all;
    for (const char* bench : {"A", "B", "C", "D"}) all += file_text(dir(std::string(bench) + ".out")) + file_text(dir(std::string(bench) + ".err"));
    return all;
  };

  // Bench A loses its power while one of its DTUs already holds the unit's ID.
  Watcher watch(db);
  std::optional<journal::Unit> cut;
  ASSERT_TRUE(wait_until([&] { return (cut = past_its_id(watch.units(job), {"A"})).has_value(); }, 120s)) << outputs();
  benches["A"]->kill_with_children();
  std::vector<journal::Unit> held_by_a;
  for (const auto& u : watch.units(job))
    if (u.bench == "A" && (u.state == UnitState::Claimed || u.state == UnitState::Writing)) held_by_a.push_back(u);

  // The server restarts while bench B or C is in the middle of a write.
  std::optional<journal::Unit> spanning;
  ASSERT_TRUE(wait_until([&] { return (spanning = past_its_id(watch.units(job), {"B", "C"})).has_value(); }, 120s));
  ASSERT_TRUE(journal_test::postgres_server("restart"));

  // Bench D takes over bench A's ports, the cut DTU among them.
  start("D", ports["A"]);
  auto settled = [&] {
    const auto units = watch.units(job);
    if (units.empty()) return false;
    for (const auto& u : units)
      if (u.state == UnitState::Pending || u.state == UnitState::Claimed || u.state == UnitState::Writing) return false;
    return std::any_of(units.begin(), units.end(), [&](const auto& u) { return u.seq == cut->seq && u.state == UnitState::Done; });
  };
  ASSERT_TRUE(wait_until(settled, 400s)) << outputs();
  // Units in doubt whose DTUs were taken off (finished, but not journaled before the power
  // went) keep the benches waiting for them: they are stopped here.
  for (const char* bench : {"B", "C", "D"}) {
    benches[bench]->signal(SIGTERM);
    const int status = benches[bench]->wait(60s);
    EXPECT_TRUE(status == 0 || status == 143) << bench << " ended with " << status;
  }

  auto j = journal::Journal::open(db, false);
  const auto units = j->units(job);
  const auto events = j->events(job);
  auto unit = [&](int seq) { return units.at(static_cast<size_t>(seq - 1)); };

  // The cut unit: in doubt when A's lease ran out, then finished on bench D.
  EXPECT_EQ(unit(cut->seq).state, UnitState::Done);
  EXPECT_EQ(unit(cut->seq).bench, "D");
  auto has = [&](int seq, const std::string& kind, const std::string& state) {
    return std::any_of(events.begin(), events.end(),
                       [&](const auto& e) { return e.seq == seq && e.kind == kind && e.state == state; });
  };
  EXPECT_TRUE(has(cut->seq, "lapsed", "in_doubt")) << cut->dtu_id;
  EXPECT_TRUE(has(cut->seq, "taken_over", "writing")) << cut->dtu_id;
  // A's claims it had not begun to write went back after the lease and were done later.
  for (const auto& u : held_by_a) {
    if (u.state == UnitState::Claimed) {
      EXPECT_TRUE(has(u.seq, "lapsed", "pending")) << u.dtu_id;
      EXPECT_EQ(unit(u.seq).state, UnitState::Done) << u.dtu_id;
    }
  }
  // The write under way during the restart was finished and journaled once.
  EXPECT_EQ(unit(spanning->seq).state, UnitState::Done) << spanning->dtu_id;
  EXPECT_NE(outputs().find("the journal is back: going on"), std::string::npos) << outputs();

  // Nothing lost: every unit is done, or in doubt naming bench A and held by a DTU that was
  // taken off with it.
  int done = 0;
  std::set<std::string> on_dtus;
  for (const auto& name : sims.names())
    for (const auto& dtu : sims.dtus(name)) on_dtus.insert(dtu.count("ID") ? dtu.at("ID") : "");
  for (const auto& u : units) {
    if (u.state == UnitState::Done) {
      ++done;
      continue;
    }
    EXPECT_EQ(u.state, UnitState::InDoubt) << u.dtu_id;
    EXPECT_NE(u.reason.find("bench A"), std::string::npos) << u.dtu_id << ": " << u.reason;
    EXPECT_TRUE(on_dtus.count(u.dtu_id)) << u.dtu_id << " is in doubt but on no DTU";
  }
  EXPECT_GE(done, 57) << "at most A's three ports were cut";
  expect_sound_outcome(*j, job, sims);
}

}  // namespace
}  // namespace provision_test
