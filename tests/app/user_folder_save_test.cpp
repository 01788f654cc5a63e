// An installed copy keeps its settings in the user's own folder, which start-up made current
// instead of the program's folder: the first save there makes "data.txt", later saves
// replace it, the next start loads it, and the program's folder never gets one.
#include <filesystem>

#include "platform/process.h"
#include "runtime/runtime_app.h"
#include "tests/app/session.h"
#include "tests/platform/scratch_dir.h"

namespace app_test {
namespace {

using namespace app;

std::string g_program_dir, g_user_dir;
std::string program_path() { return g_program_dir + "/dtu-setup"; }
bool enter_user_folder(const std::string&) {
  rt::set_user_folder_current(true);
  return platform::set_current_directory(g_user_dir);
}

class UserFolderSave : public Session {
 protected:
  void SetUp() override {
    Session::SetUp();
    g_program_dir = dir_;
    g_user_dir = user.path().string();
    rt::set_process_services({program_path, enter_user_folder});
  }
  std::string saved() const { return platform_test::read_text(user.file("data.txt")); }
  platform_test::ScratchDir user;
};

TEST_F(UserFolderSave, TheFirstSaveMakesTheFileAndLaterOnesReplaceIt) {
  start();
  ASSERT_TRUE(connect_and_enter_setting_mode());
  set_field(unit::kDeviceId, "ID-9");
  click(unit::kSaveButton);
  EXPECT_EQ(last_message(), "保存设置值成功！！");
  EXPECT_TRUE(operations_enabled());
  EXPECT_EQ(saved().substr(0, 6), "ID-9//");
  EXPECT_EQ(saved().back(), '\0');
  EXPECT_FALSE(std::filesystem::exists(settings_path())) << "nothing in the program's folder";

  set_field(unit::kDeviceId, "ID-10");
  click(unit::kSaveButton);
  EXPECT_EQ(last_message(), "保存设置值成功！！");
  EXPECT_EQ(saved().substr(0, 7), "ID-10//");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(user.path()), std::filesystem::directory_iterator{}), 1);
}

TEST_F(UserFolderSave, TheNextStartLoadsIt) {
  platform_test::write_text(user.file("data.txt"), std::string("ID-9//10.0.0.7//9000//", 22) + '\0');
  start();
  EXPECT_EQ(value(unit::kDeviceId), "ID-9");
  EXPECT_EQ(value(unit::kServerIp), "10.0.0.7");
  EXPECT_EQ(value(unit::kServerPort), "9000");
}

}  // namespace
}  // namespace app_test
