// One real session with the dtu-sim program over its pseudo-terminal. Real time with
// generous time-outs; nothing here depends on exact timings.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/tools/sim_test_util.h"
#include "tools/dtu-sim/pty_client.h"

namespace dtusim {
namespace {

namespace fs = std::filesystem;

constexpr int kWait = 5000;
constexpr const char* kBanner = "Press %%%%%%%%% into setting mode\r\n";

std::string file_text(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class SimPty : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("dtu-sim-pty-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                        "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    if (HasFailure()) std::cerr << "simulator log:\n" << file_text(dir_ / "sim.log");
    fs::remove_all(dir_);
  }
  fs::path dir_;
};

TEST_F(SimPty, SessionThroughThePseudoTerminal) {
  std::string error;
  auto sim = SimProcess::start(DTU_SIM_PROGRAM,
                               {"--boot-delay", "100", "--state", (dir_ / "dtu.state").string(), "--link",
                                (dir_ / "ttyDTU").string(), "--fault", "port-zeros"},
                               (dir_ / "sim.log").string(), error);
  ASSERT_TRUE(sim) << error;
  std::string path = sim->read_line(kWait);
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(fs::read_symlink(dir_ / "ttyDTU").string(), path);

  auto port = PtyClient::open((dir_ / "ttyDTU").string(), error);
  ASSERT_TRUE(port) << error;
  ASSERT_NE(port->read_until(kBanner, kWait).find(kBanner), std::string::npos);
  port->write("%%%%%%%%%%\r\n");
  EXPECT_NE(port->read_until("System enter setting mode\r\n", kWait).find("System enter setting mode"),
            std::string::npos);

  port->write("%LIST\r\n");
  std::string listing = port->read_until("\r\nOK\r\n", kWait);
  EXPECT_EQ(testing::reply_lines(listing).size(), 15u) << listing;
  port->write("%PT=8080\r\n");
  EXPECT_EQ(port->read_until("OK\r\n", kWait), "OK\r\n");
  port->write("%TM=XYZ\r\n");
  EXPECT_EQ(port->read_until("ERROR\r\n", kWait), "ERROR\r\n");
  port->write("%LIST\r\n");
  EXPECT_NE(port->read_until("\r\nOK\r\n", kWait).find("\r\nPT= 08080\r\nDN= -----\r\nAP= -----\r\nTM= TCP\r\n"),
            std::string::npos);
  EXPECT_NE(file_text(dir_ / "dtu.state").find("\nPT=8080\n"), std::string::npos);

  port->write("%RST\r\n");
  EXPECT_EQ(port->read_until("OK\r\n", kWait), "OK\r\n");
  EXPECT_NE(file_text(dir_ / "dtu.state").find("\nPT=\n"), std::string::npos);

  // Reopening the port restarts the DTU, as does the reboot signal.
  port.reset();
  port = PtyClient::open(path, error);
  ASSERT_TRUE(port) << error;
  EXPECT_NE(port->read_until(kBanner, kWait).find(kBanner), std::string::npos);
  sim->reboot();
  EXPECT_NE(port->read_until(kBanner, kWait).find(kBanner), std::string::npos);

  EXPECT_EQ(sim->stop(), 0);
  EXPECT_FALSE(fs::exists(fs::symlink_status(dir_ / "ttyDTU")));
}

// A production bench: each DTU that was written and read back is swapped for a fresh one
// when the port closes, and kept in the swap folder; a DTU only read, or written but not
// read back (a bench that died mid-write), stays for the next opener.
TEST_F(SimPty, SwapModeReplacesAFinishedDtuWhenThePortCloses) {
  std::string error;
  const fs::path swap = dir_ / "done";
  auto sim = SimProcess::start(DTU_SIM_PROGRAM,
                               {"--boot-delay", "50", "--reply-delay", "0", "--baud", "115200", "--state",
                                (dir_ / "dtu.state").string(), "--swap", swap.string()},
                               (dir_ / "sim.log").string(), error);
  ASSERT_TRUE(sim) << error;
  const std::string path = sim->read_line(kWait);
  auto session = [&](const std::string& commands) {
    auto port = PtyClient::open(path, error);
    EXPECT_TRUE(port) << error;
    if (!port) return std::string();
    port->read_until(kBanner, kWait);
    port->write("%%%%%%%%%%\r\n");
    port->read_until("System enter setting mode\r\n", kWait);
    std::string replies;
    for (size_t from = 0; from < commands.size();) {
      const size_t end = commands.find('\n', from);
      port->write(commands.substr(from, end - from) + "\r\n");
      replies += port->read_until("OK\r\n", kWait);
      from = end + 1;
    }
    return replies;
  };
  session("%ID=DTU-1\n%LIST\n");
  session("%ID=DTU-2\n");  // cut before the check
  const std::string listed = session("%LIST\n%ID=DTU-3\n%LIST\n");
  EXPECT_NE(listed.find("ID= DTU-2"), std::string::npos) << "the unchecked DTU stayed: " << listed;
  const std::string fresh = session("%LIST\n");
  EXPECT_NE(fresh.find("ID= -----"), std::string::npos) << fresh;
  session("%LIST\n");

  EXPECT_NE(file_text(swap / "unit-001.state").find("ID=DTU-1\n"), std::string::npos);
  EXPECT_NE(file_text(swap / "unit-002.state").find("ID=DTU-3\n"), std::string::npos);
  EXPECT_FALSE(fs::exists(swap / "unit-003.state")) << "a DTU only read is not swapped";
  EXPECT_NE(file_text(dir_ / "dtu.state").find("ID=\n"), std::string::npos) << "the fresh DTU's own file";
}

TEST_F(SimPty, BadOptionsAreRefusedAndStateSurvivesARestart) {
  std::string error;
  fs::path state = dir_ / "dtu.state";
  { std::ofstream(state) << "ID=unit 9\nPT=70000\n"; }
  auto bad = SimProcess::start(DTU_SIM_PROGRAM, {"--fault", "nonsense"}, (dir_ / "bad.log").string(), error);
  ASSERT_TRUE(bad) << error;
  EXPECT_EQ(bad->read_line(kWait), "");
  EXPECT_NE(file_text(dir_ / "bad.log").find("nonsense"), std::string::npos);

  auto sim = SimProcess::start(DTU_SIM_PROGRAM, {"--boot-delay=50", "--state", state.string(), "--quiet"},
                               (dir_ / "sim.log").string(), error);
  ASSERT_TRUE(sim) << error;
  auto port = PtyClient::open(sim->read_line(kWait), error);
  ASSERT_TRUE(port) << error;
  port->read_until(kBanner, kWait);
  port->write("%%%%%%%%%%\r\n");
  port->read_until("System enter setting mode\r\n", kWait);
  port->write("%LIST\r\n");
  std::string listing = port->read_until("\r\nOK\r\n", kWait);
  EXPECT_NE(listing.find("\r\nID= unit 9\r\nIP= -----\r\nPT= -----\r\n"), std::string::npos) << listing;
  EXPECT_NE(file_text(dir_ / "sim.log").find("line 2 ignored"), std::string::npos);
}

}  // namespace
}  // namespace dtusim
