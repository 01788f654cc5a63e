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
  for (const char* refused : {"bad-port", "bad-phone", "bad-ip", "twice", "no-id", "unknown", "short"})
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

}  // namespace
}  // namespace provision_test
