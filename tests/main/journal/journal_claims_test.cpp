// Claims on both databases: a unit's way from pending to done, failed attempts and setting
// aside, benches whose lease ran out (untouched claims back to the pool, cut writes in
// doubt until their DTU boots again), and many connections claiming at once without ever
// getting the same unit. The events replay to the units' states throughout.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <thread>

#include "main/journal/journal.h"
#include "tests/main/journal/journal_test_support.h"

namespace journal_test {
namespace {

using journal::Journal;
using journal::System;
using journal::UnitState;

constexpr int64_t kLongLease = 3600 * 1000;
constexpr int64_t kLapsed = -1000;  // a lease that ran out a second ago

void expect_replay_matches(Journal& j, int64_t job) {
  std::vector<std::pair<int, std::string>> stored;
  for (const auto& u : j.units(job)) stored.emplace_back(u.seq, std::string(journal::state_name(u.state)));
  EXPECT_EQ(journal::replay_states(j.events(job)), stored);
}

class JournalClaims : public ::testing::TestWithParam<System> {
 protected:
  void SetUp() override {
    j = database.open();
    job = j->create_job(new_job("run", 4)).id;
  }
  int64_t session(const std::string& bench, const std::string& port) {
    return j->open_session(job, {bench, port, "host-" + bench, 100}, kLongLease);
  }

  TestDatabase database{GetParam()};
  std::unique_ptr<Journal> j;
  int64_t job = 0;
};

TEST_P(JournalClaims, AUnitGoesFromPendingToDoneWithWhatWasReadBeforeAndAfter) {
  const int64_t s = session("A", "COM5");
  const auto unit = j->claim_next(job, s);
  ASSERT_TRUE(unit);
  EXPECT_EQ(unit->seq, 1);
  EXPECT_EQ(unit->dtu_id, "DTU-0001");
  EXPECT_EQ(unit->bench, "A");
  EXPECT_EQ(j->counts(job).claimed, 1);

  // The answer to a claim lost with the connection: claiming again gives back the claim
  // never written, so no unit stays claimed by a port that does not know it holds it.
  const auto again = j->claim_next(job, s);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->seq, 1);
  EXPECT_EQ(j->counts(job).claimed, 1);

  const journal::Values factory(13, "factory");
  ASSERT_TRUE(j->start_writing(job, 1, s, factory));
  EXPECT_TRUE(j->start_writing(job, 1, s, factory)) << "a repeat after a lost answer is no failure";
  ASSERT_TRUE(j->note_step(job, 1, s, "DN"));
  EXPECT_EQ(j->unit(job, 1)->step, "DN");
  ASSERT_TRUE(j->finish(job, 1, s, unit->target, 7100));
  EXPECT_TRUE(j->finish(job, 1, s, unit->target, 7100)) << "a repeat after a lost answer is no failure";

  const auto done = j->unit(job, 1);
  EXPECT_EQ(done->state, UnitState::Done);
  EXPECT_EQ(done->after, unit->target);
  EXPECT_GT(done->done_ms, 0);
  const auto c = j->counts(job);
  EXPECT_EQ(c.done, 1);
  EXPECT_EQ(c.pending, 3);
  EXPECT_FALSE(c.finished());

  // The events say who, where, what was read before and after, and each done once.
  const auto events = j->events(job);
  const auto writing = std::find_if(events.begin(), events.end(), [](const auto& e) { return e.kind == "writing"; });
  ASSERT_NE(writing, events.end());
  EXPECT_EQ(writing->before, factory);
  EXPECT_EQ(writing->bench, "A");
  EXPECT_EQ(writing->port, "COM5");
  EXPECT_EQ(std::count_if(events.begin(), events.end(), [](const auto& e) { return e.kind == "done"; }), 1);
  expect_replay_matches(*j, job);
}

// A failure before anything reached the DTU returns the unit to the pool, behind the fresh
// ones. Once the DTU may hold the ID the unit is kept for that DTU (in doubt): no other DTU
// gets it, the DTU takes it back when it boots again, and the third failure sets it aside.
// A repeat after a lost answer counts once; a unit no longer the session's cannot be
// failed or finished by it.
TEST_P(JournalClaims, FailedAttemptsAreCountedAndTheThirdSetsTheUnitAside) {
  const int64_t s = session("A", "COM5");
  auto u = j->claim_next(job, s);
  ASSERT_TRUE(j->start_writing(job, u->seq, s, {}));
  const journal::Failure refused{"check", "PT was refused by its field", {}, false};
  EXPECT_EQ(j->fail(job, u->seq, s, 0, refused), UnitState::Pending);
  EXPECT_EQ(j->unit(job, 1)->attempts, 1);
  EXPECT_EQ(j->unit(job, 1)->last_failure, "check");
  EXPECT_EQ(j->claim_next(job, s)->seq, 2) << "a fresh unit comes before a failed one";

  const int64_t other = session("B", "COM6");
  const journal::Failure kept{"read-back", "SS1 holds 1390000000 after writing", journal::Values(13, "old"), true};
  for (int attempt = 2; attempt <= journal::kMaxAttempts; ++attempt) {
    auto again = j->take_over(job, 1, s, {}, "the DTU reports this ID");
    ASSERT_TRUE(again) << attempt;
    const auto state = j->fail(job, 1, s, again->attempts, kept);
    EXPECT_EQ(state, attempt < journal::kMaxAttempts ? UnitState::InDoubt : UnitState::SetAside);
    EXPECT_EQ(j->fail(job, 1, s, again->attempts, kept), state) << "a repeat after a lost answer";
    EXPECT_EQ(j->unit(job, 1)->attempts, attempt) << "counted once";
    for (auto next = j->claim_next(job, other); next; next = j->claim_next(job, other)) {
      EXPECT_NE(next->seq, 1) << "a unit kept for its DTU went to another";
      ASSERT_TRUE(j->start_writing(job, next->seq, other, {}));
      ASSERT_TRUE(j->finish(job, next->seq, other, next->target, 1));
    }
  }
  const auto aside = j->unit(job, 1);
  EXPECT_EQ(aside->state, UnitState::SetAside);
  EXPECT_EQ(aside->attempts, 3);
  EXPECT_NE(aside->reason.find("read-back"), std::string::npos) << aside->reason;
  EXPECT_FALSE(j->take_over(job, 1, s, {}, "set aside units wait for a person"));
  EXPECT_FALSE(j->fail(job, 1, s, journal::kMaxAttempts, {"ID", "x", {}, true})) << "not the session's any more";
  EXPECT_FALSE(j->finish(job, 1, s, {}, 1));
  EXPECT_EQ(j->counts(job).set_aside, 1);
  EXPECT_TRUE(j->counts(job).finished());
  expect_replay_matches(*j, job);
}

// A unit in doubt is taken over by its DTU on any bench once no live session holds it: not
// while the bench that lapsed has renewed (its DTU is on that bench), and never a done one.
TEST_P(JournalClaims, AUnitInDoubtGoesOnlyToItsDtuAndADoneOneToNone) {
  const int64_t a = session("A", "COM5");
  ASSERT_EQ(j->claim_next(job, a)->seq, 1);
  ASSERT_TRUE(j->start_writing(job, 1, a, {}));
  ASSERT_TRUE(j->renew_session(a, kLapsed));
  EXPECT_EQ(j->settle_lapsed(job), 1);
  ASSERT_EQ(j->unit(job, 1)->state, UnitState::InDoubt);
  ASSERT_TRUE(j->renew_session(a, kLongLease)) << "the bench was cut off, not dead";

  const int64_t b = session("B", "COM6");
  EXPECT_FALSE(j->take_over(job, 1, b, {}, "a second DTU reports the ID")) << "its own bench still writes it";
  auto back = j->take_over(job, 1, a, {}, "the DTU booted again");
  ASSERT_TRUE(back) << "its own session may";
  ASSERT_TRUE(j->finish(job, 1, a, back->target, 1));
  EXPECT_FALSE(j->take_over(job, 1, b, {}, "a clone of a done DTU")) << "a done unit is never written again";

  j->end_session(job, a, "stopped");
  ASSERT_EQ(j->claim_next(job, b)->seq, 2);
  ASSERT_TRUE(j->start_writing(job, 2, b, {}));
  j->end_session(job, b, "stopped");
  const int64_t c = session("C", "COM7");
  EXPECT_TRUE(j->take_over(job, 2, c, {}, "the DTU booted on another bench")) << "its bench has ended";
  expect_replay_matches(*j, job);
}

// A person settles units their DTUs will not come back for: back to the pool afresh, or set
// aside; never one being written or done. The job's end waits for those answers.
TEST_P(JournalClaims, APersonSettlesUnitsThatWaitForThem) {
  const int64_t s = session("A", "COM5");
  for (int seq = 1; seq <= 2; ++seq) {
    ASSERT_EQ(j->claim_next(job, s)->seq, seq);
    ASSERT_TRUE(j->start_writing(job, seq, s, {}));
    ASSERT_EQ(j->fail(job, seq, s, 0, {"PT", "no answer", {}, true}), UnitState::InDoubt);
  }
  const auto outstanding = j->outstanding(job);
  ASSERT_EQ(outstanding.size(), 2u);
  EXPECT_EQ(outstanding[0].dtu_id, "DTU-0001");

  EXPECT_EQ(j->resolve(job, "DTU-0001", journal::Resolution::ToPool, "its DTU was dropped", "ann@line-1"),
            UnitState::Pending);
  EXPECT_EQ(j->unit(job, 1)->attempts, 0) << "a person's word gives it fresh tries";
  EXPECT_EQ(j->resolve(job, "DTU-0002", journal::Resolution::SetAside, "", "ann"), UnitState::SetAside);
  EXPECT_NE(j->unit(job, 2)->reason.find("by a person"), std::string::npos);

  ASSERT_EQ(j->claim_next(job, s)->seq, 1) << "back in the pool, it goes to the next DTU";
  ASSERT_TRUE(j->start_writing(job, 1, s, {}));
  auto refused = [&](const std::string& id, journal::Resolution to) {
    try {
      j->resolve(job, id, to, "", "ann");
      return std::string();
    } catch (const journal::JournalError& e) {
      return std::string(e.what());
    }
  };
  EXPECT_NE(refused("DTU-0001", journal::Resolution::ToPool).find("being written"), std::string::npos);
  ASSERT_TRUE(j->finish(job, 1, s, j->unit(job, 1)->target, 1));
  EXPECT_NE(refused("DTU-0001", journal::Resolution::SetAside).find("done"), std::string::npos);
  EXPECT_NE(refused("DTU-0002", journal::Resolution::SetAside).find("already"), std::string::npos);
  EXPECT_NE(refused("NO-SUCH", journal::Resolution::SetAside).find("no unit"), std::string::npos);

  const auto events = j->events(job);
  const auto note = std::find_if(events.begin(), events.end(), [](const auto& e) { return e.kind == "resolved"; });
  ASSERT_NE(note, events.end());
  EXPECT_NE(note->detail.find("its DTU was dropped"), std::string::npos) << note->detail;
  EXPECT_NE(note->detail.find("ann@line-1"), std::string::npos) << note->detail;
  expect_replay_matches(*j, job);
}

// The jobs of one journal that are not finished share no ID, so a DTU is recognised whichever
// job made it; a finished job's IDs may be used again.
TEST_P(JournalClaims, JobsThatAreNotFinishedShareNoId) {
  try {
    j->create_job(new_job("overlap", 2));
    FAIL() << "a job sharing IDs with an unfinished one was made";
  } catch (const journal::JournalError& e) {
    EXPECT_NE(std::string(e.what()).find("\"run\""), std::string::npos) << e.what();
  }
  EXPECT_FALSE(j->find_job("overlap"));
  const int64_t s = session("A", "COM5");
  ASSERT_EQ(j->claim_next(job, s)->seq, 1);
  ASSERT_TRUE(j->start_writing(job, 1, s, {}));
  const int64_t other = j->create_job(new_job("other", 2, "OTHER-")).id;
  const auto elsewhere = j->find_elsewhere(other, "DTU-0001");
  ASSERT_TRUE(elsewhere) << "a DTU of job run is recognised from job other";
  EXPECT_EQ(elsewhere->job, "run");
  EXPECT_EQ(elsewhere->state, UnitState::Writing);
  EXPECT_FALSE(j->find_elsewhere(other, "DTU-0002")) << "a pending unit's ID is on no DTU yet";

  ASSERT_TRUE(j->finish(job, 1, s, j->unit(job, 1)->target, 1));
  for (int seq = 2; seq <= 4; ++seq) {
    ASSERT_EQ(j->claim_next(job, s)->seq, seq);
    ASSERT_TRUE(j->start_writing(job, seq, s, {}));
    ASSERT_TRUE(j->finish(job, seq, s, j->unit(job, seq)->target, 1));
  }
  ASSERT_TRUE(j->counts(job).finished());
  EXPECT_NO_THROW(j->create_job(new_job("rerun", 4))) << "a finished job's IDs are free again";
}

// A bench that died: its claim whose DTU was never written goes back to the pool, the one
// it was writing is in doubt (never handed out again) until a DTU with that ID boots on
// another bench, which finishes it. The dead bench, should it come back, owns neither.
TEST_P(JournalClaims, ALapsedLeaseReturnsUntouchedClaimsAndPutsCutWritesInDoubt) {
  const int64_t dead = session("A", "COM5");
  const int64_t dead2 = session("A", "COM6");
  ASSERT_EQ(j->claim_next(job, dead)->seq, 1);
  ASSERT_EQ(j->claim_next(job, dead2)->seq, 2);
  ASSERT_TRUE(j->start_writing(job, 2, dead2, {}));
  ASSERT_TRUE(j->note_step(job, 2, dead2, "PT"));
  // The bench stops renewing: its leases run out.
  ASSERT_TRUE(j->renew_session(dead, kLapsed));
  ASSERT_TRUE(j->renew_session(dead2, kLapsed));

  const int64_t live = session("B", "COM7");
  auto write_next = [&](int expected) {
    const auto next = j->claim_next(job, live);
    if (!next) return false;
    EXPECT_EQ(next->seq, expected);
    return j->start_writing(job, next->seq, live, {}) && j->finish(job, next->seq, live, next->target, 1);
  };
  ASSERT_TRUE(write_next(1)) << "the untouched claim went back to the pool";
  const auto doubt = j->unit(job, 2);
  EXPECT_EQ(doubt->state, UnitState::InDoubt);
  EXPECT_NE(doubt->reason.find("bench A, port COM6"), std::string::npos) << doubt->reason;
  EXPECT_NE(doubt->reason.find("step PT"), std::string::npos) << doubt->reason;
  EXPECT_TRUE(write_next(3)) << "a unit in doubt is never handed out";
  EXPECT_TRUE(write_next(4));
  EXPECT_FALSE(j->claim_next(job, live));

  EXPECT_FALSE(j->start_writing(job, 1, dead, {})) << "the dead bench's claim is gone";
  EXPECT_FALSE(j->finish(job, 1, dead, {}, 1));
  auto taken = j->take_over(job, 2, live, journal::Values(13, "before"), "the DTU reports this ID");
  ASSERT_TRUE(taken);
  EXPECT_EQ(taken->bench, "B");
  ASSERT_TRUE(j->finish(job, 2, live, taken->target, 7000));
  EXPECT_FALSE(j->finish(job, 2, dead2, taken->target, 7000));
  EXPECT_EQ(j->unit(job, 2)->state, UnitState::Done);

  // A lapsed session may renew (the bench was cut off, not dead); what it held is settled.
  EXPECT_TRUE(j->renew_session(dead, kLongLease));
  const auto events = j->events(job);
  EXPECT_EQ(std::count_if(events.begin(), events.end(), [](const auto& e) { return e.kind == "lapsed"; }), 2);
  expect_replay_matches(*j, job);
}

// A bench cut off long enough for its lapse to be settled may claim again before its lease
// is renewed (it does not know); that claim is settled too, or the job never ends.
TEST_P(JournalClaims, AClaimMadeAfterALapseWasSettledIsSettledToo) {
  const int64_t cut_off = session("A", "COM5");
  ASSERT_TRUE(j->renew_session(cut_off, kLapsed));
  j->settle_lapsed(job);
  ASSERT_EQ(j->claim_next(job, cut_off)->seq, 1);
  EXPECT_EQ(j->settle_lapsed(job), 1);
  EXPECT_EQ(j->unit(job, 1)->state, UnitState::Pending);
  EXPECT_TRUE(j->outstanding(job).empty());

  // Its write begun, the answer lost, its lease run out before the repeat: the unit is still
  // its own to write (in doubt), not one to drop for the next.
  ASSERT_TRUE(j->renew_session(cut_off, kLongLease));
  ASSERT_EQ(j->claim_next(job, cut_off)->seq, 1);
  ASSERT_TRUE(j->start_writing(job, 1, cut_off, {}));
  ASSERT_TRUE(j->renew_session(cut_off, kLapsed));
  ASSERT_EQ(j->settle_lapsed(job), 1);
  EXPECT_TRUE(j->start_writing(job, 1, cut_off, {})) << "the repeat";
  EXPECT_TRUE(j->finish(job, 1, cut_off, j->unit(job, 1)->target, 1));
  expect_replay_matches(*j, job);
}

TEST_P(JournalClaims, ABenchStoppingInOrderReleasesClaimsAndLeavesACutWriteInDoubt) {
  const int64_t s = session("A", "COM5");
  const int64_t s2 = session("A", "COM6");
  j->claim_next(job, s);
  j->claim_next(job, s2);
  ASSERT_TRUE(j->start_writing(job, 2, s2, {}));
  j->end_session(job, s, "stopped by SIGTERM");
  j->end_session(job, s2, "stopped by SIGTERM");
  EXPECT_EQ(j->unit(job, 1)->state, UnitState::Pending);
  EXPECT_EQ(j->unit(job, 2)->state, UnitState::InDoubt);
  EXPECT_FALSE(j->renew_session(s, kLongLease)) << "an ended session stays ended";
  const auto c = j->counts(job);
  EXPECT_EQ(c.in_doubt, 1);
  EXPECT_FALSE(c.finished()) << "a unit in doubt waits for its DTU";
  expect_replay_matches(*j, job);
}

// Many benches claim at once, each on a connection of its own: every unit goes to exactly
// one of them.
TEST_P(JournalClaims, ConcurrentClaimsNeverShareAUnit) {
  const auto plan = new_job("many", 60, "MANY-");
  const int64_t many = j->create_job(plan).id;
  constexpr int kBenches = 6;
  std::vector<std::vector<int>> claimed(kBenches);
  std::vector<std::string> errors(kBenches);
  std::vector<std::thread> benches;
  for (int b = 0; b < kBenches; ++b)
    benches.emplace_back([&, b] {
      try {
        auto own = database.open();
        const int64_t s = own->open_session(many, {"bench" + std::to_string(b), "COM5", "h", b}, kLongLease);
        while (auto u = own->claim_next(many, s)) {
          claimed[static_cast<size_t>(b)].push_back(u->seq);
          if (!own->start_writing(many, u->seq, s, {})) throw std::runtime_error("lost a claim");
          if (!own->finish(many, u->seq, s, u->target, 1)) throw std::runtime_error("could not finish");
        }
      } catch (const std::exception& e) {
        errors[static_cast<size_t>(b)] = e.what();
      }
    });
  for (auto& t : benches) t.join();
  std::multiset<int> all;
  for (int b = 0; b < kBenches; ++b) {
    EXPECT_EQ(errors[static_cast<size_t>(b)], "") << "bench " << b;
    all.insert(claimed[static_cast<size_t>(b)].begin(), claimed[static_cast<size_t>(b)].end());
  }
  EXPECT_EQ(all.size(), plan.units.size());
  EXPECT_EQ(std::set<int>(all.begin(), all.end()).size(), plan.units.size()) << "a unit was claimed twice";
  const auto c = j->counts(many);
  EXPECT_EQ(c.done, 60);
  EXPECT_TRUE(c.finished());
  expect_replay_matches(*j, many);
}

INSTANTIATE_TEST_SUITE_P(Both, JournalClaims, ::testing::Values(System::Sqlite, System::Postgres),
                         [](const auto& info) { return system_name(info.param); });

}  // namespace
}  // namespace journal_test
