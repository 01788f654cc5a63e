// The production commands refusing bad input whole, from the outside: a job whose rows fail
// the window's checks, a CSV the format does not allow, a journal that cannot be reached,
// is of a newer schema or lacks the job. Nothing half-done, no DTU touched.
#include <gtest/gtest.h>

#include "tests/main/provision/provision_test_support.h"

namespace provision_test {
namespace {

using namespace std::chrono_literals;

struct CliRun {
  int status;
  std::string out, err;
};

class ProductionCli : public ::testing::Test {
 protected:
  CliRun run(const std::vector<std::string>& args) {
    const std::string out = scratch.file("run" + std::to_string(++runs) + ".out");
    const std::string err = scratch.file("run" + std::to_string(runs) + ".err");
    Process p(DTU_SETUP_CLI_PROGRAM, args, out, err);
    const int status = p.wait(60s);
    return {status, file_text(out), file_text(err)};
  }
  CliRun create(const std::string& name, const std::string& csv) {
    platform_test::write_text(scratch.file(name + ".csv"), csv);
    return run({"job", "create", "--db", db, "--name", name, "--from", scratch.file("base.txt"), "--units",
                scratch.file(name + ".csv")});
  }
  void SetUp() override { ASSERT_EQ(make_job(scratch.file(""), db, "good", 3), 0); }

  platform_test::ScratchDir scratch;
  const std::string db = scratch.file("run.sqlite");
  int runs = 0;
};

TEST_F(ProductionCli, AJobWithOneBadRowIsRefusedWholeNamingRowKeyAndTheWindowsMessage) {
  CliRun r = create("bad-port", "ID,PT,SS1\nU-1,9000,1\nU-2,70000,2\n");
  EXPECT_EQ(r.status, 4);
  EXPECT_NE(r.err.find("line 3 (row 2), PT: \"70000\": 服务器端口设置值不合法！！; no job was made"), std::string::npos)
      << r.err;
  r = create("bad-phone", "ID,SS1\nU-1,12345678901234\n");
  EXPECT_EQ(r.status, 4);
  EXPECT_NE(r.err.find("line 2 (row 1), SS1: \"12345678901234\": "), std::string::npos) << r.err;
  r = create("bad-ip", "ID,IP\nU-1,10.0.0.300\n");
  EXPECT_EQ(r.status, 4);
  EXPECT_NE(r.err.find("IP: \"10.0.0.300\" is not an IP address"), std::string::npos) << r.err;
  // The window refuses an empty heartbeat or character time-out without a word: here the
  // refusal has the window's words for that field.
  r = create("empty-ot", "ID,OT\nU-1,200\nU-2,\n");
  EXPECT_EQ(r.status, 4);
  EXPECT_NE(r.err.find("line 3 (row 2), OT: \"\": 字符超时时长设置不可为空！; no job was made"), std::string::npos) << r.err;
  r = create("empty-ht", "ID,HT\nU-1,\n");
  EXPECT_EQ(r.status, 4);
  EXPECT_NE(r.err.find("line 2 (row 1), HT: \"\": 心跳间隔设置值不合法！！"), std::string::npos) << r.err;
  r = create("twice", "ID\nU-1\nU-2\nU-1\n");
  EXPECT_EQ(r.status, 4);
  EXPECT_NE(r.err.find("line 4 (row 3): ID \"U-1\" is also the ID of line 2 (row 1)"), std::string::npos) << r.err;
  r = create("no-id", "SS1\n1\n2\n");
  EXPECT_EQ(r.status, 4) << "without an ID column every unit gets the base's ID: one would do";
  r = create("unknown", "ID,XX\nU-1,1\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("unknown key \"XX\""), std::string::npos) << r.err;
  r = create("short", "ID,SS1\nU-1\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("line 2 (row 1): 1 value where the header names 2 keys"), std::string::npos) << r.err;
  r = create("good", "ID\nU-9\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("a job named \"good\" already exists"), std::string::npos) << r.err;

  // The report, made and made again over the older page.
  for (int i = 0; i < 2; ++i) {
    r = run({"job", "report", "--db", db, "--job", "good", "--html", scratch.file("good.html")});
    EXPECT_EQ(r.status, 0) << r.err;
  }
  EXPECT_NE(file_text(scratch.file("good.html")).find("<h1>Job good</h1>"), std::string::npos);
  r = run({"job", "report", "--db", db, "--job", "good", "--html", scratch.file("no-such-folder/good.html")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot write"), std::string::npos) << r.err;

  r = run({"job", "status", "--db", db, "--job", "good", "--json"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.find("{\"job\":\"good\",\"units\":3,\"pending\":3"), 0u) << r.out;
  for (const char* refused : {"bad-port", "bad-phone", "bad-ip", "empty-ot", "empty-ht", "twice", "no-id", "unknown", "short"})
    EXPECT_EQ(run({"job", "status", "--db", db, "--job", refused}).status, 2) << refused << " was not made";
}

// Before any DTU is touched: a journal that cannot be reached or used ends the run with
// status 7, a missing job with status 2. The simulated DTU's port is never opened.
TEST_F(ProductionCli, ProvisionChecksTheJournalBeforeTouchingAnyDtu) {
  Simulators sims(scratch.file(""));
  const std::string port = sims.start("dtu", false);
  CliRun r = run({"provision", "--db", "postgresql://maker:hunter2@/prod?host=/nonexistent-dtu-socket", "--job", "good",
               "--port", port});
  EXPECT_EQ(r.status, 7);
  EXPECT_NE(r.err.find("the journal cannot be used"), std::string::npos) << r.err;
  EXPECT_EQ((r.out + r.err).find("hunter2"), std::string::npos) << "a password is never printed";
  EXPECT_EQ(run({"provision", "--db", scratch.file("none.sqlite"), "--job", "good", "--port", port}).status, 7);
  r = run({"provision", "--db", db, "--job", "missing", "--port", port, "--port", port + "x"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("no job named \"missing\""), std::string::npos) << r.err;

  journal::Journal::open(db, false)->db().query("UPDATE schema_version SET version = 99");
  r = run({"provision", "--db", db, "--job", "good", "--port", port});
  EXPECT_EQ(r.status, 7);
  EXPECT_NE(r.err.find("newer dtu-setup-cli"), std::string::npos) << r.err;
  EXPECT_EQ(run({"job", "report", "--db", db, "--job", "good", "--html", scratch.file("r.html")}).status, 7);
  EXPECT_EQ(sims.log("dtu").find("port opened"), std::string::npos) << "no DTU was touched";

  r = run({"--help"});
  EXPECT_NE(r.out.find("7 the journal's database could not be"), std::string::npos);
  EXPECT_NE(r.out.find("dtu-setup-cli provision --db run.sqlite --job batch-7 --port COM5 --port COM6"), std::string::npos);
}

// A unit in doubt whose DTU will not come back: job status says what it waits for; a
// person's job resolve puts it back in the pool, journaled with the note; answers the unit's
// state does not allow are refused by name.
TEST_F(ProductionCli, APersonSettlesAUnitThatWaitsForOne) {
  {
    auto j = journal::Journal::open(db, false);
    const int64_t job = j->job("good").id;
    const int64_t s = j->open_session(job, {"line-1", "COM5", "host", 1}, 60000);
    const auto u = j->claim_next(job, s);
    ASSERT_TRUE(j->start_writing(job, u->seq, s, {}));
    ASSERT_EQ(j->fail(job, u->seq, s, 0, {"PT", "no answer", {}, true}), journal::UnitState::InDoubt);
  }
  CliRun r = run({"job", "status", "--db", db, "--job", "good"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("DTU-0001 in doubt: failed at step PT (no answer), attempt 1 of 3"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("waits for its DTU to boot on any bench, or for a person's answer (job resolve --unit DTU-0001"),
            std::string::npos)
      << r.out;
  r = run({"job", "status", "--db", db, "--job", "good", "--json"});
  EXPECT_NE(r.out.find("\"id\":\"DTU-0001\",\"state\":\"in_doubt\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"waits_for\":\"its DTU or a person\""), std::string::npos) << r.out;

  r = run({"job", "resolve", "--db", db, "--job", "good", "--unit", "DTU-0001", "--to-pool", "--note",
           "dropped, case cracked"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("DTU-0001 is now pending"), std::string::npos) << r.err;
  auto j = journal::Journal::open(db, false);
  const auto events = j->events(j->job("good").id);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().kind, "resolved");
  EXPECT_NE(events.back().detail.find("to the pool by a person"), std::string::npos) << events.back().detail;
  EXPECT_NE(events.back().detail.find("dropped, case cracked"), std::string::npos) << events.back().detail;

  r = run({"job", "resolve", "--db", db, "--job", "good", "--unit", "DTU-0001", "--to-pool"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("DTU-0001 is already in the pool"), std::string::npos) << r.err;
  r = run({"job", "resolve", "--db", db, "--job", "good", "--unit", "NOPE", "--set-aside"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("no unit with ID \"NOPE\""), std::string::npos) << r.err;
}

// Output that cannot be written (a full disk) never ends a command as a success: a script
// would take the missing lines for none. The password of a connection string of keywords is
// never printed, nor made into a file name.
TEST_F(ProductionCli, LostOutputIsNeverASuccessAndAPasswordNeverShows) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{"job", "export", "--db", db, "--job", "good", "--csv"},
                                               std::vector<std::string>{"job", "status", "--db", db, "--job", "good"},
                                               std::vector<std::string>{"--help"}}) {
    const std::string err = scratch.file("full" + std::to_string(++runs) + ".err");
    Process p(DTU_SETUP_CLI_PROGRAM, args, "/dev/full", err);
    EXPECT_EQ(p.wait(60s), 1) << args[0];
    EXPECT_NE(file_text(err).find("the output could not be written (No space left on device)"), std::string::npos)
        << file_text(err);
  }
  const std::string keywords = "user=maker password=hunter2 host=/nonexistent-dtu-socket dbname=prod";
  CliRun r = run({"job", "status", "--db", keywords, "--job", "good"});
  EXPECT_EQ(r.status, 7);
  EXPECT_EQ((r.out + r.err).find("hunter2"), std::string::npos) << r.err;
  r = run({"job", "create", "--db", "password=hunter2 user=maker host=/nonexistent-dtu-socket", "--name", "x", "--from",
           scratch.file("base.txt"), "--units", scratch.file("units.csv")});
  EXPECT_EQ(r.status, 7) << r.err;
  EXPECT_EQ((r.out + r.err).find("hunter2"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace provision_test
