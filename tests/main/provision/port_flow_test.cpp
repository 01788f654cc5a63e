// One port's decisions on a real journal (SQLite), with DTUs that answer as each test
// scripts them and a bench whose clock only moves when the port waits: a unit stays with the
// DTU that may hold its ID, a done unit's ID is never written onto another DTU, a DTU of
// another job is left alone, a bench at the end of a job settles a dead bench's claim and
// ends, and database errors end the port (status 7, its port closed) or are waited for,
// said once.
#include <gtest/gtest.h>

#include <deque>
#include <functional>

#include "main/journal/journal.h"
#include "main/provision/port_flow.h"
#include "tests/main/journal/journal_test_support.h"

namespace provision {
namespace {

using journal::UnitState;

struct Dtu {
  journal::Values settings;
  int stops_at = -1;  // the write step it stops answering at
};

Dtu fresh(const std::string& id) {
  Dtu d;
  d.settings = journal_test::unit_values("FACTORY");
  d.settings[0] = id;
  d.settings[3] = "factory.example";
  return d;
}

// Raised by the bench when a port waits far longer than any test needs: it waits for ever.
struct WaitsForever {};

class TestHost final : public PortHost {
 public:
  explicit TestHost(std::string db) : db_(std::move(db)) {}
  std::unique_ptr<journal::Journal> open_journal() override {
    auto j = journal::Journal::open(db_, false);
    if (wrap) return wrap(std::move(j));
    return j;
  }
  void keep_lease(int64_t, int64_t session) override { this->session = session; }
  int64_t now_ms() override { return clock; }
  void wait(int64_t ms) override {
    clock += ms;
    if (clock > 3600 * 1000) throw WaitsForever{};
    if (on_wait) on_wait();
  }
  void said(Verdict verdict, const std::string& line) override { lines.push_back({verdict, line}); }
  void progress(const std::string& line) override { notes.push_back(line); }
  void writing(int, const std::string&, const std::string&) override {}

  std::function<std::unique_ptr<journal::Journal>(std::unique_ptr<journal::Journal>)> wrap;
  std::function<void()> on_wait;
  std::vector<std::pair<Verdict, std::string>> lines;
  std::vector<std::string> notes;
  int64_t clock = 0;
  int64_t session = 0;

 private:
  std::string db_;
};

// DTUs boot one after another, as queued; with none queued the port waits.
class ScriptedPort final : public DtuPort {
 public:
  explicit ScriptedPort(TestHost& host) : host_(host) {}
  bool open(std::string&) override {
    opened = true;
    return true;
  }
  Boot wait_for_boot(int64_t ms) override {
    if (queue.empty()) {
      host_.wait(ms);
      return Boot::NoBanner;
    }
    on = queue.front();
    queue.pop_front();
    return Boot::SettingMode;
  }
  DtuRead read() override { return {true, "", on->settings}; }
  bool holds(const journal::Values& target, const journal::Values& read) override { return target == read; }
  DtuWrite write(const journal::Values& target) override {
    if (while_writing) while_writing();
    for (size_t i = 0; i < journal::kValueCount; ++i) {
      if (on->stops_at == static_cast<int>(i)) return {false, true, std::string(journal::value_key(i)), "no answer"};
      on->settings[i] = target[i];
    }
    return {true, true, "", ""};
  }
  DtuReadBack read_back(const journal::Values& target) override {
    return {on->settings == target, "read-back", on->settings == target ? "" : "differs", on->settings};
  }
  void close() override { opened = false; }

  std::deque<Dtu*> queue;
  Dtu* on = nullptr;
  bool opened = false;
  std::function<void()> while_writing;

 private:
  TestHost& host_;
};

class PortFlowTest : public ::testing::Test {
 protected:
  void SetUp() override { make_job("run", 2); }
  int64_t make_job(const std::string& name, int units, const std::string& prefix = "DTU-") {
    return database.open()->create_job(journal_test::new_job(name, units, prefix)).id;
  }
  int run(const std::string& job = "run") {
    PortFlow flow({job, "A", "COM5", "host-A", 1, 30000}, port, host);
    return flow.run();
  }
  std::vector<Verdict> verdicts() const {
    std::vector<Verdict> out;
    for (const auto& [v, line] : host.lines) out.push_back(v);
    return out;
  }
  std::string said() const {
    std::string out;
    for (const auto& [v, line] : host.lines) out += line + "\n";
    return out;
  }

  journal_test::TestDatabase database{journal::System::Sqlite};
  TestHost host{database.target()};
  ScriptedPort port{host};
};

// The first DTU fails once its ID went out: no other DTU gets that unit, and when the first
// boots again (on any bench) it takes its unit back and the job ends.
TEST_F(PortFlowTest, AUnitStaysWithTheDtuThatMayHoldItsId) {
  Dtu first = fresh("F-1"), second = fresh("F-2"), third = fresh("F-3");
  first.stops_at = 5;
  port.queue = {&first, &second, &third};
  host.on_wait = [&] {
    if (port.queue.empty() && first.stops_at >= 0) {
      first.stops_at = -1;  // reworked, and plugged in again
      port.queue.push_back(&first);
    }
  };
  EXPECT_EQ(run(), 0) << said();
  EXPECT_EQ(verdicts(), (std::vector<Verdict>{Verdict::FailedKept, Verdict::Done, Verdict::NothingToWrite,
                                              Verdict::Done, Verdict::JobComplete}))
      << said();
  EXPECT_EQ(first.settings[0], "DTU-0001");
  EXPECT_EQ(second.settings[0], "DTU-0002");
  EXPECT_EQ(third.settings[0], "F-3") << "a third DTU is not given the first one's unit";
  EXPECT_FALSE(port.opened);
}

// A DTU reporting a done unit's ID with other settings is another DTU: never written with
// that ID; it gets a unit of its own, which overwrites the duplicate. One reporting it with
// the unit's settings is the same DTU, done.
TEST_F(PortFlowTest, ADoneUnitsIdIsNeverWrittenOntoAnotherDtu) {
  Dtu first = fresh("F-1");
  Dtu again = first;
  Dtu clone = fresh("DTU-0001");
  port.queue = {&first};
  host.on_wait = [&] {
    if (port.queue.empty() && !clone.settings.empty() && clone.settings[0] == "DTU-0001") {
      again = first;
      port.queue = {&again, &clone};
    }
  };
  EXPECT_EQ(run(), 0) << said();
  EXPECT_EQ(verdicts(), (std::vector<Verdict>{Verdict::Done, Verdict::AlreadyDone, Verdict::Conflict, Verdict::Done,
                                              Verdict::JobComplete}))
      << said();
  EXPECT_EQ(clone.settings[0], "DTU-0002");
  const auto events = database.open()->events(1);
  EXPECT_TRUE(std::any_of(events.begin(), events.end(), [](const auto& e) { return e.kind == "conflict"; }));
}

// A DTU of another job that is not finished is left alone, whatever this job has pending.
TEST_F(PortFlowTest, ADtuOfAnotherJobIsLeftAlone) {
  const int64_t other = make_job("other", 1, "OTHER-");
  {
    auto j = database.open();
    const int64_t s = j->open_session(other, {"Z", "COM1", "h", 1}, 30000);
    const auto u = j->claim_next(other, s);
    ASSERT_TRUE(j->start_writing(other, u->seq, s, {}));
    j->end_session(other, s, "stopped");  // its DTU is in doubt
  }
  Dtu foreign = fresh("OTHER-0001"), a = fresh("F-1"), b = fresh("F-2");
  port.queue = {&foreign, &a, &b};
  EXPECT_EQ(run(), 0) << said();
  EXPECT_EQ(verdicts().front(), Verdict::OtherJob) << said();
  EXPECT_NE(said().find("OTHER-0001 is a DTU of job other (in doubt): left alone"), std::string::npos) << said();
  EXPECT_EQ(foreign.settings[0], "OTHER-0001");
  EXPECT_EQ(foreign.settings[3], "factory.example") << "not written";
}

// Nothing left to write while another bench holds a claim: when that bench dies, the waiting
// bench settles its lapsed claim itself (nobody claims any more at the end of a job), writes
// the unit and ends.
TEST_F(PortFlowTest, AtTheEndABenchSettlesADeadBenchsClaimAndEnds) {
  auto j = database.open();
  const int64_t dead = j->open_session(1, {"B", "COM6", "host-B", 2}, 3600 * 1000);
  ASSERT_EQ(j->claim_next(1, dead)->seq, 1);
  Dtu a = fresh("F-1"), b = fresh("F-2");
  port.queue = {&a};
  int waits = 0;
  bool plugged = false;
  host.on_wait = [&] {
    if (++waits == 20) j->renew_session(dead, -1000);  // bench B lost its power: its lease runs out
    // The technician brings a DTU once the journal shows a unit waiting for one.
    if (!plugged && j->counts(1).pending == 1) {
      plugged = true;
      port.queue.push_back(&b);
    }
  };
  int status = -1;
  try {
    status = run();
  } catch (const WaitsForever&) {
    FAIL() << "the bench waits for ever: " << said();
  }
  EXPECT_EQ(status, 0) << said();
  EXPECT_EQ(b.settings[0], "DTU-0001");
  const auto waiting = std::find_if(host.notes.begin(), host.notes.end(),
                                    [](const std::string& n) { return n.rfind("waiting for the job to end", 0) == 0; });
  ASSERT_NE(waiting, host.notes.end()) << "it says what it waits for";
  EXPECT_NE(waiting->find("DTU-0001 (bench B, port COM6) is being written elsewhere"), std::string::npos) << *waiting;
}

// The bench's lease runs out while it writes (it was cut off a while) and a person, seeing the
// unit in doubt, puts it back in the pool: the port, whose DTU now holds the ID, takes the
// unit back and finishes it, so no other DTU gets that ID.
TEST_F(PortFlowTest, ADtuWrittenAfterItsUnitWasGivenUpTakesItBack) {
  auto j = database.open();
  Dtu a = fresh("F-1"), b = fresh("F-2"), c = fresh("F-3");
  port.queue = {&a, &b, &c};
  port.while_writing = [&] {
    port.while_writing = nullptr;
    j->renew_session(host.session, -1000);
    j->settle_lapsed(1);
    j->resolve(1, "DTU-0001", journal::Resolution::ToPool, "its bench stopped answering", "ann");
  };
  EXPECT_EQ(run(), 0) << said();
  EXPECT_EQ(a.settings[0], "DTU-0001");
  EXPECT_EQ(b.settings[0], "DTU-0002") << "the next DTU does not get the first one's ID";
  EXPECT_EQ(verdicts().front(), Verdict::Done) << said();
}

// A unit whose stored settings cannot be read (a damaged row) is never written, and the
// port goes on with the others.
TEST_F(PortFlowTest, AUnitWhoseStoredSettingsCannotBeReadIsNeverWritten) {
  database.open()->db().query("UPDATE units SET values_target = '{broken' WHERE seq = 1");
  std::vector<Dtu> dtus(6, fresh("F"));
  for (auto& d : dtus) port.queue.push_back(&d);
  EXPECT_EQ(run(), 0) << said();
  const auto unit = database.open()->unit(1, 1);
  EXPECT_EQ(unit->state, UnitState::SetAside) << said();
  EXPECT_EQ(dtus[0].settings[0], "F") << "not written";
}

// A journal connection that fails as a test says, before the statement runs.
class FailingDatabase final : public journal::Database {
 public:
  FailingDatabase(journal::Database& real, std::function<void()> before) : real_(real), before_(std::move(before)) {}
  journal::System system() const override { return real_.system(); }
  std::string where() const override { return real_.where(); }
  journal::Rows query(std::string_view sql, const std::vector<journal::Param>& params) override {
    before_();
    return real_.query(sql, params);
  }
  void begin() override {
    before_();
    real_.begin();
  }
  void commit() override { real_.commit(); }
  void rollback() noexcept override { real_.rollback(); }
  bool in_transaction() const override { return real_.in_transaction(); }
  void reconnect() override { before_(); }
  std::string_view now_ms() const override { return real_.now_ms(); }
  std::string_view serial_key() const override { return real_.serial_key(); }
  std::string_view skip_locked() const override { return real_.skip_locked(); }
  void lock_exclusive() override { real_.lock_exclusive(); }
  std::vector<std::string> append_only(std::string_view t) const override { return real_.append_only(t); }

 private:
  journal::Database& real_;
  std::function<void()> before_;
};

// A lost connection is waited for, said once, and the work goes on; an error a person must
// mend (a full disk) ends the port with status 7 and its port closed. Neither escapes.
TEST_F(PortFlowTest, DatabaseErrorsAreWaitedForOrEndThePortNeverEscape) {
  std::unique_ptr<journal::Journal> real;
  std::function<void()> fault = [] {};
  host.wrap = [&](std::unique_ptr<journal::Journal> j) {
    real = std::move(j);
    return std::make_unique<journal::Journal>(std::make_unique<FailingDatabase>(real->db(), [&] { fault(); }));
  };
  int lost = 0;
  fault = [&] {
    if (host.lines.size() == 1 && lost < 10) {
      ++lost;
      throw journal::DbError(journal::DbError::Kind::Unreachable, "server closed the connection");
    }
  };
  Dtu a = fresh("F-1"), b = fresh("F-2");
  port.queue = {&a, &b};
  EXPECT_EQ(run(), 0) << said();
  auto count = [&](const std::string& start) {
    return std::count_if(host.notes.begin(), host.notes.end(), [&](const std::string& n) { return n.rfind(start, 0) == 0; });
  };
  EXPECT_EQ(count("the journal cannot be reached"), 1) << "one line for the outage, not one a second";
  EXPECT_EQ(count("the journal is back"), 1);
  EXPECT_EQ(b.settings[0], "DTU-0002");

  make_job("full", 1, "FULL-");
  Dtu c = fresh("F-3");
  port.queue = {&c};
  fault = [&] {
    if (port.on == &c) throw journal::DbError(journal::DbError::Kind::Refused, "could not extend file: No space left");
  };
  EXPECT_EQ(run("full"), 7) << said();
  EXPECT_FALSE(port.opened) << "the port is closed";
  EXPECT_EQ(count("the journal refused this port's work (could not extend file: No space left)"), 1);
}

}  // namespace
}  // namespace provision
