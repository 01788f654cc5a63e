// Provisioning on one bench with the journal in an SQLite file, against dtu-sim programs:
// a run of 40 units on 4 ports in one call, each simulator swapping in a fresh DTU when
// one is done; and the DTUs a bench must not record as done: one that keeps an old value,
// one plugged in again after it was finished.
#include <gtest/gtest.h>
#include <signal.h>

#include "tests/main/provision/provision_test_support.h"

namespace provision_test {
namespace {

using namespace std::chrono_literals;

class SqliteBench : public ::testing::Test {
 protected:
  void TearDown() override {
    if (HasFailure()) std::cerr << "bench output:\n" << file_text(dir("bench.out")) << file_text(dir("bench.err"));
  }
  std::string dir(const std::string& name) const { return scratch.file(name); }

  platform_test::ScratchDir scratch;
  Simulators sims{scratch.file("")};
  const std::string db = scratch.file("run.sqlite");
};

TEST_F(SqliteBench, FortyUnitsOnFourPortsAreEachDoneOnce) {
  ASSERT_EQ(make_job(dir(""), db, "run-40", 40), 0);
  std::vector<std::string> ports;
  for (int i = 1; i <= 4; ++i) ports.push_back(sims.start("dtu" + std::to_string(i), true));

  Process bench(DTU_SETUP_CLI_PROGRAM, provision_args(db, "run-40", "bench-1", ports), dir("bench.out"), dir("bench.err"));
  ASSERT_EQ(bench.wait(400s), 0) << "the bench ends by itself when the job is done";

  auto j = journal::Journal::open(db, false);
  const auto job = j->job("run-40");
  const auto c = j->counts(job.id);
  EXPECT_EQ(c.done, 40);
  EXPECT_TRUE(c.finished());
  size_t dtus_done = 0;
  for (const auto& name : sims.names()) dtus_done += sims.dtus(name).size() - 1;  // the fresh one in place
  EXPECT_EQ(dtus_done, 40u) << "each simulator's finished DTUs, one per unit";
  expect_sound_outcome(*j, job.id, sims);

  const std::string out = file_text(dir("bench.out"));
  EXPECT_NE(out.find(" DTU-0040 done "), std::string::npos) << out;
  EXPECT_NE(out.find(" s — power off, connect the next\n"), std::string::npos);
  for (const auto& u : j->units(job.id)) EXPECT_EQ(u.bench, "bench-1");
}

// DTU "kept" keeps its old SS2 behind an OK: the read-back catches it three times (the DTU
// comes back with the unit's ID each time) and the unit is set aside, never done. DTU
// "again" is written once and then, plugged in again, recognised as already done: its
// simulator received one write, not two.
TEST_F(SqliteBench, AValueNotKeptIsCaughtAndAFinishedDtuIsNotWrittenAgain) {
  ASSERT_EQ(make_job(dir(""), db, "run-2", 2), 0);
  const std::string again = sims.start("again", false);
  Process first(DTU_SETUP_CLI_PROGRAM, provision_args(db, "run-2", "bench-1", {again}), dir("bench.out"),
                dir("bench.err"));
  ASSERT_TRUE(wait_until([&] { return file_text(dir("bench.out")).find("already done") != std::string::npos; }, 120s))
      << file_text(dir("bench.out"));
  first.signal(SIGTERM);
  EXPECT_EQ(first.wait(60s), 143);

  const std::string kept = sims.start("kept", false, {"--fault", "stale=SS2"});
  Process second(DTU_SETUP_CLI_PROGRAM, provision_args(db, "run-2", "bench-1", {kept, again}), dir("bench.out"),
                 dir("bench.err"));
  EXPECT_EQ(second.wait(300s), 0) << "one unit done, one set aside: nothing left";

  auto j = journal::Journal::open(db, false);
  const auto job = j->job("run-2");
  const auto done = j->unit(job.id, 1);
  EXPECT_EQ(done->state, journal::UnitState::Done);
  const auto aside = j->unit(job.id, 2);
  EXPECT_EQ(aside->state, journal::UnitState::SetAside);
  EXPECT_EQ(aside->attempts, journal::kMaxAttempts);
  EXPECT_EQ(aside->last_failure, "read-back");
  EXPECT_NE(aside->reason.find("SS2 reads \"\" where \"13900000004\" was written"), std::string::npos) << aside->reason;
  EXPECT_EQ(j->counts(job.id).set_aside, 1);

  const std::string log = sims.log("again");
  size_t writes = 0;
  for (size_t at = log.find("<- %ID="); at != std::string::npos; at = log.find("<- %ID=", at + 1)) ++writes;
  EXPECT_EQ(writes, 1u) << "the finished DTU was written once";
  const auto events = j->events(job.id);
  EXPECT_GE(std::count_if(events.begin(), events.end(), [](const auto& e) { return e.kind == "already_done"; }), 2)
      << "recognised each time it was plugged in again";
  const std::string out = file_text(dir("bench.out"));
  EXPECT_NE(out.find(again + " DTU-0001 already done — power off, connect the next\n"), std::string::npos) << out;
  EXPECT_NE(out.find(kept + " DTU-0002 failed at read-back (SS2 reads"), std::string::npos) << out;
  EXPECT_NE(out.find("attempt 3 of 3, set aside for a person to look at"), std::string::npos) << out;
  expect_sound_outcome(*j, job.id, sims);
}

}  // namespace
}  // namespace provision_test
