// The tool as the package installs it, run by packaging/test-package: the program is
// <DTU_INSTALLED_ROOT>/usr/bin/dtu-setup, a folder this user may not write, and the home
// folder is a fresh one. The window (Qt, offscreen) is driven against the installed dtu-sim:
// the first run's save must put data.txt into the user's folder, the next run must load it.
// Without DTU_INSTALLED_ROOT the tests skip.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "app/program.h"
#include "app/units.h"
#include "main/settings_folder.h"
#include "main/tool.h"
#include "platform/process.h"
#include "platform/qt/qt_backend.h"
#include "runtime/form_host.h"
#include "runtime/helpers.h"
#include "runtime/program.h"
#include "runtime/runtime_app.h"
#include "tests/platform/qt_user.h"
#include "tools/dtu-sim/pty_client.h"
#include "tests/platform/scratch_dir.h"

namespace {

using namespace app;
namespace fs = std::filesystem;

std::string g_root;
std::string installed_program() { return g_root + "/usr/bin/dtu-setup"; }

class InstalledSession : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto root = platform::environment("DTU_INSTALLED_ROOT");
    const auto work = platform::environment("DTU_INSTALLED_WORK");
    if (!root || !work) GTEST_SKIP() << "run by packaging/test-package on an unpacked package";
    g_root = *root;
    user_file_ = fs::path(platform::user_config_directory()) / "dtu-setup" / "data.txt";
    std::string error;
    sim_ = dtusim::SimProcess::start(g_root + "/usr/bin/dtu-sim",
                                     {"--boot-delay", "300", "--state", *work + "/dtu.state", "--quiet"},
                                     *work + "/dtu-sim.log", error);
    ASSERT_TRUE(sim_) << error;
    const std::string pty = sim_->read_line(10000);
    ASSERT_FALSE(pty.empty());
    setenv("DTU_SETUP_COM2", pty.c_str(), 1);

    static int argc = 1;
    static char name[] = "dtu-setup";
    static char* argv[] = {name, nullptr};
    backend_ = std::make_unique<platform::qt::QtBackend>(argc, argv);
    platform::set_backend(backend_.get());
    rt::reset_runtime_for_tests();
    // As the installed program composes itself: its own path, the start-up's folder choice.
    rt::set_process_services({installed_program, tool::enter_settings_folder});
    tool::register_layers();
    rt::set_startup_record(&tool::startup_record());
    qt_user::answer_message_boxes();
    app::start_program();
  }
  void TearDown() override {
    if (sim_) sim_->stop();
  }

  platform::Handle window(UnitId u) { return rt::form_host().unit_window(kMainForm, u.id, false).window; }
  std::string value(UnitId u) {
    uint64_t v = rt::helpers().read_property(kMainForm, u.id, value_property(u), -1);
    char* p = reinterpret_cast<char*>(static_cast<uintptr_t>(v));
    std::string s = p ? p : "";
    rt::helpers().free(p);
    return s;
  }
  bool operations_enabled() {
    return rt::helpers().read_property(kMainForm, unit::kSaveButton.id, prop::kDisabled, -1) == 0;
  }
  void click(UnitId u) { qt_user::click(*backend_, window(u)); }
  std::string last_message() { return qt_user::messages().empty() ? "" : qt_user::messages().back(); }

  fs::path user_file_;
  std::unique_ptr<dtusim::SimProcess> sim_;
  std::unique_ptr<platform::qt::QtBackend> backend_;
};

TEST_F(InstalledSession, TheFirstRunSavesIntoTheUsersFolder) {
  EXPECT_TRUE(rt::user_folder_current()) << "the installed program's folder may not be written";
  EXPECT_FALSE(fs::exists(user_file_));
  click(unit::kConnectButton);
  ASSERT_TRUE(qt_user::run_until([&] { return operations_enabled(); }, 20000)) << "no setting mode";
  click(unit::kReadButton);
  ASSERT_EQ(last_message(), "读出模块设置值成功！！");
  click(unit::kSaveButton);
  EXPECT_EQ(last_message(), "保存设置值成功！！");
  const std::string saved = platform_test::read_text(platform_test::utf8_string(user_file_));
  EXPECT_EQ(saved.substr(0, saved.find("//")), value(unit::kDeviceId));
  EXPECT_NE(saved.find("//" + value(unit::kServerIp) + "//"), std::string::npos) << saved;
  EXPECT_FALSE(fs::exists(g_root + "/usr/bin/data.txt"));
}

TEST_F(InstalledSession, TheNextRunLoadsIt) {
  const std::string saved = platform_test::read_text(platform_test::utf8_string(user_file_));
  ASSERT_FALSE(saved.empty()) << "the first run saved nothing";
  std::vector<std::string> parts;
  for (size_t at = 0, sep; (sep = saved.find("//", at)) != std::string::npos; at = sep + 2)
    parts.push_back(saved.substr(at, sep - at));
  ASSERT_EQ(parts.size(), 13u);
  EXPECT_EQ(value(unit::kDeviceId), parts[0]);
  EXPECT_EQ(value(unit::kServerIp), parts[1]);
  EXPECT_EQ(value(unit::kDomain), parts[3]);
  EXPECT_EQ(value(unit::kSms2), parts[12]);
}

}  // namespace
