// The whole tool on its real window (Qt, offscreen) against the dtu-sim program over a real
// pseudo-terminal: connect, handshake, read, write, reset, save; then what the simulator
// stored and what "data.txt" holds. Real time, so every wait has a generous budget and no
// timing is asserted.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <sstream>

#include "app/program.h"
#include "app/units.h"
#include "platform/gbk_codec.h"
#include "platform/process.h"
#include "platform/qt/qt_backend.h"
#include "runtime/form_host.h"
#include "runtime/helpers.h"
#include "main/tool.h"
#include "runtime/program.h"
#include "runtime/runtime_app.h"
#include "tests/app/tool_probe.h"
#include "tests/platform/qt_user.h"
#include "tools/dtu-sim/pty_client.h"
#include "tests/platform/scratch_dir.h"

namespace {

using namespace app;

std::string g_dir;
std::string program_path() { return g_dir + "/dtu-setup"; }
bool set_directory(const std::string& dir) { return platform::set_current_directory(dir); }

class QtSession : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device rd;
    g_dir = (std::filesystem::temp_directory_path() / ("dtu-qt-session-" + std::to_string(rd()))).string();
    std::filesystem::create_directories(g_dir);
    std::string error;
    sim_ = dtusim::SimProcess::start(DTU_SIM_PROGRAM,
                                     {"--boot-delay", "300", "--baud", "9600", "--state", g_dir + "/dtu.state"},
                                     g_dir + "/dtu-sim.log", error);
    ASSERT_TRUE(sim_) << error;
    std::string pty = sim_->read_line(10000);
    ASSERT_FALSE(pty.empty());
    setenv("DTU_SETUP_COM2", pty.c_str(), 1);

    static int argc = 1;
    static char name[] = "dtu-setup";
    static char* argv[] = {name, nullptr};
    backend_ = std::make_unique<platform::qt::QtBackend>(argc, argv);
    platform::set_backend(backend_.get());
    rt::reset_runtime_for_tests();
    rt::set_process_services({program_path, set_directory});
    tool::register_layers();
    rt::set_startup_record(&tool::startup_record());
    qt_user::answer_message_boxes();
  }
  void TearDown() override {
    for (const char* var : {"DTU_SETUP_COM1", "DTU_SETUP_COM2", "DTU_SETUP_COM7"}) unsetenv(var);
    if (sim_) sim_->stop();
    std::error_code ec;
    std::filesystem::remove_all(g_dir, ec);
  }

  platform::Handle window(UnitId u) { return tool_probe::window(u); }
  std::string value(UnitId u) { return tool_probe::value(u); }
  std::string text_property(UnitId u, int property) { return tool_probe::read_text(u, property); }
  bool operations_enabled() { return tool_probe::operations_enabled(); }
  void click(UnitId u) { qt_user::click(*backend_, window(u)); }
  void type_over(UnitId u, const std::string& text) { backend_->set_text(window(u), text); }
  std::string last_message() { return qt_user::messages().empty() ? "" : qt_user::messages().back(); }
  // The simulator's stored settings, KEY -> value.
  std::map<std::string, std::string> dtu_state() {
    std::map<std::string, std::string> out;
    std::istringstream in(platform_test::read_text(g_dir + "/dtu.state"));
    for (std::string line; std::getline(in, line);) {
      auto eq = line.find('=');
      if (eq != std::string::npos) out[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return out;
  }

  std::unique_ptr<dtusim::SimProcess> sim_;
  std::unique_ptr<platform::qt::QtBackend> backend_;
};

TEST_F(QtSession, ConnectReadWriteResetAndSaveAgainstTheSimulator) {
  std::ofstream(g_dir + "/data.txt", std::ios::binary) << "old//" << '\0';
  app::start_program();

  click(unit::kConnectButton);
  ASSERT_TRUE(qt_user::run_until([&] { return operations_enabled(); }, 15000)) << "no setting mode";

  click(unit::kReadButton);
  EXPECT_EQ(last_message(), "读出模块设置值成功！！");
  EXPECT_EQ(value(unit::kTransferMode), "TCP");
  EXPECT_EQ(value(unit::kWorkBaud), "1200");
  EXPECT_EQ(value(unit::kHeartbeat), "120");
  if (const char* shots = std::getenv("DTU_SCREENSHOT_DIR")) {
    EXPECT_TRUE(qt_user::screenshot(*backend_, window(unit::kReadButton), std::string(shots) + "/read-settings.png"));
  }

  type_over(unit::kDeviceId, "DTU-7");
  type_over(unit::kServerPort, "9000");
  type_over(unit::kDomain, "dtu.example.net");
  type_over(unit::kRing1, "13800000000");
  rt::helpers().write_property(kMainForm, unit::kServerIp.id, prop::kIpAddress, -1,
                               reinterpret_cast<uintptr_t>("10.0.0.7"), 0);
  click(unit::kWriteButton);
  EXPECT_EQ(last_message(), "写入成功！！");
  auto stored = dtu_state();
  EXPECT_EQ(stored["ID"], "DTU-7");
  EXPECT_EQ(stored["IP"], "10.0.0.7");
  EXPECT_EQ(stored["PT"], "9000");
  EXPECT_EQ(stored["DN"], "dtu.example.net");
  EXPECT_EQ(stored["RV1"], "13800000000");

  click(unit::kSaveButton);
  EXPECT_EQ(last_message(), "保存设置值成功！！");
  const std::string saved = platform_test::read_text(g_dir + "/data.txt");
  EXPECT_EQ(saved.substr(0, saved.find("//")), "DTU-7");
  EXPECT_NE(saved.find("//10.0.0.7//9000//dtu.example.net//"), std::string::npos);
  EXPECT_EQ(saved.back(), '\0');

  click(unit::kResetButton);
  EXPECT_EQ(last_message(), "恢复出厂设置成功！！");
  EXPECT_EQ(value(unit::kDeviceId), "");
  EXPECT_EQ(dtu_state()["ID"], "");
  EXPECT_TRUE(operations_enabled());
}

// A port typed into the port box is no port chosen from its list: the box has no selection,
// and the tool reports that it cannot open the port instead of opening another one. Every
// port it might open instead (COM1, where port 0 is stored; COM2, the box's former
// selection; COM7, the text) leads to the simulator, so only a refusal fails the open.
TEST_F(QtSession, APortTypedIntoThePortBoxIsNotOpened) {
  const char* pty = std::getenv("DTU_SETUP_COM2");
  setenv("DTU_SETUP_COM1", pty, 1);
  setenv("DTU_SETUP_COM7", pty, 1);
  app::start_program();
  const std::string caption = text_property(unit::kConnectButton, prop::kButtonCaption);

  qt_user::type_over(*backend_, window(unit::kPortBox), "COM7");
  ASSERT_EQ(value(unit::kPortBox), "COM7");
  EXPECT_EQ(static_cast<int32_t>(rt::helpers().read_property(kMainForm, unit::kPortBox.id, prop::kComboSelection, -1)),
            -1);
  const size_t shown = qt_user::messages().size();
  click(unit::kConnectButton);
  ASSERT_TRUE(qt_user::run_until([&] { return qt_user::messages().size() > shown; }, 5000));
  EXPECT_EQ(last_message(), "串口打开失败");
  EXPECT_EQ(text_property(unit::kConnectButton, prop::kButtonCaption), caption);
  EXPECT_FALSE(operations_enabled());
}

}  // namespace
