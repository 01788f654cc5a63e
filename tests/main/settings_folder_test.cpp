// Where the settings file lives: the program's folder wherever a save there can work (the
// file there may be replaced, or without one the folder may be written); for an installed
// copy (a folder the user may not write, or one the system installs programs into) the
// user's own folder, made when missing, seeded once with the program folder's file (never
// over the user's values that a cut-short save left only in a leftover, which come back) and
// cleared of a crashed save's temporaries.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "main/settings_folder.h"
#include "platform/process.h"
#include "platform/replace_leftovers.h"
#include "runtime/runtime_app.h"
#include "tests/platform/as_unprivileged.h"
#include "tests/platform/scratch_dir.h"

namespace {

namespace fs = std::filesystem;

// Runs the start-up's choice as the runtime does; true when it chose the user's folder.
bool choose(const fs::path& program_dir, fs::path& chosen) {
  rt::set_user_folder_current(false);
  EXPECT_TRUE(tool::enter_settings_folder(program_dir.string()));
  chosen = platform::current_directory();
  return rt::user_folder_current();
}

class SettingsFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    before_ = platform::current_directory();
    fs::create_directory(program_);
    setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
  }
  void TearDown() override {
    platform::set_current_directory(before_);
    unsetenv("XDG_CONFIG_HOME");
    rt::set_user_folder_current(false);
  }
  std::string before_;
  platform_test::ScratchDir root_;
  const fs::path program_ = root_.path() / "bin", config_ = root_.path() / "config";
};

TEST_F(SettingsFolder, AProgramFolderThatMayBeWrittenKeepsTheFile) {
  fs::path chosen;
  EXPECT_FALSE(choose(program_, chosen));
  EXPECT_TRUE(fs::equivalent(chosen, program_));
  EXPECT_FALSE(fs::exists(config_)) << "no user folder made for nothing";
}

// Needs a program folder the user may not write: run without rights.
void installed_copy() {
  platform_test::ScratchDir root;
  const fs::path program = root.path() / "bin", config = root.path() / "config";
  fs::create_directory(program);
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  fs::permissions(program, fs::perms::owner_read | fs::perms::owner_exec);

  // An installed copy: the user's folder, made private to its owner.
  fs::path chosen;
  EXPECT_TRUE(choose(program, chosen));
  const fs::path user = config / "dtu-setup";
  EXPECT_TRUE(fs::equivalent(chosen, user));
  EXPECT_EQ(fs::status(user).permissions(), fs::perms::owner_all);
  EXPECT_FALSE(fs::exists(user / "data.txt")) << "only a save makes the file";

  // A crashed save's temporary there is cleared away at the next start, once the settings
  // file is whole.
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ::waitpid(gone, nullptr, 0);
  const std::string mark = platform::leftovers::computer_mark(platform::host_name());
  const auto leftover = [&](int n) { return user / platform::leftovers::make_name(".~replace.", mark, gone, n); };
  const fs::path stale = leftover(0);
  platform_test::write_text(stale.string(), "half");
  platform_test::write_text((user / "data.txt").string(), std::string("ID-0//\0", 7));
  EXPECT_TRUE(choose(program, chosen));
  EXPECT_FALSE(fs::exists(stale));
  fs::remove(user / "data.txt");

  // A folder holding a file the user may still write keeps it (it is rewritten in place).
  fs::permissions(program, fs::perms::owner_all);
  platform_test::write_text((program / "data.txt").string(), "ID-1//");
  fs::permissions(program, fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_FALSE(choose(program, chosen));
  EXPECT_TRUE(fs::equivalent(chosen, program));

  // One the user may not write: every save would fail there. The user's folder instead,
  // starting from a copy of it.
  fs::permissions(program / "data.txt", fs::perms::owner_read);
  EXPECT_TRUE(choose(program, chosen));
  EXPECT_TRUE(fs::equivalent(chosen, user));
  EXPECT_EQ(platform_test::read_text((user / "data.txt").string()), "ID-1//");
  // Copied once: what the user saves since stays, whatever the program's folder holds.
  platform_test::write_text((user / "data.txt").string(), "ID-2//");
  fs::permissions(program, fs::perms::owner_all);
  fs::permissions(program / "data.txt", fs::perms::owner_all);
  platform_test::write_text((program / "data.txt").string(), "ID-3//");
  fs::permissions(program / "data.txt", fs::perms::owner_read);
  fs::permissions(program, fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_TRUE(choose(program, chosen));
  EXPECT_EQ(platform_test::read_text((user / "data.txt").string()), "ID-2//");

  // A save cut short in the middle of its swap left the file missing, the user's new values
  // and the old ones only in leftovers: the new ones come back, never the program folder's.
  fs::remove(user / "data.txt");
  platform_test::write_text(leftover(1).string(), std::string("ID-2//\0", 7));
  platform_test::write_text(leftover(2).string(), std::string("ID-4//\0", 7));
  fs::last_write_time(leftover(1), fs::last_write_time(leftover(2)) - std::chrono::seconds(60));
  EXPECT_TRUE(choose(program, chosen));
  EXPECT_EQ(platform_test::read_text((user / "data.txt").string()), std::string("ID-4//\0", 7));
  EXPECT_FALSE(fs::exists(leftover(1)));
  EXPECT_FALSE(fs::exists(leftover(2)));
  fs::permissions(program, fs::perms::owner_all);
  fs::remove(program / "data.txt");
  fs::remove(user / "data.txt");
  fs::permissions(program, fs::perms::owner_read | fs::perms::owner_exec);

  // No user folder to be had: the program's folder, where a save will say it failed.
  setenv("XDG_CONFIG_HOME", (root.path() / "config-file").c_str(), 1);
  platform_test::write_text((root.path() / "config-file").string(), "");
  EXPECT_FALSE(choose(program, chosen));
  EXPECT_TRUE(fs::equivalent(chosen, program));
  fs::permissions(program, fs::perms::owner_all);
  platform::set_current_directory("/");
}

TEST(SettingsFolderChild, InstalledCopy) {
  if (!platform_test::in_unprivileged_child()) GTEST_SKIP() << "only run as a child process";
  installed_copy();
}

TEST_F(SettingsFolder, AnInstalledCopyKeepsItInTheUsersFolder) {
  platform_test::run_unprivileged("SettingsFolderChild.InstalledCopy", {}, installed_copy);
}

// Installed by the package manager: the user's folder even for a user who may write there
// (root), whose saves in the program's folder would otherwise fail for want of the file.
TEST(SystemProgramFolder, IsWhatThePackageManagerInstalls) {
  EXPECT_TRUE(platform::in_system_program_folder("/usr/bin"));
  EXPECT_TRUE(platform::in_system_program_folder("/usr/lib/dtu-setup/"));
  EXPECT_FALSE(platform::in_system_program_folder("/usr/local/bin"));
  EXPECT_FALSE(platform::in_system_program_folder("/usrdata/bin"));
  EXPECT_FALSE(platform::in_system_program_folder("/opt/dtu-setup"));
  EXPECT_FALSE(platform::in_system_program_folder("usr/bin"));
  EXPECT_FALSE(platform::in_system_program_folder(""));
}

TEST(UserConfigDirectory, FollowsTheXdgRule) {
  const auto home = platform::environment("HOME");
  setenv("HOME", "/home/tech", 1);
  setenv("XDG_CONFIG_HOME", "/srv/conf", 1);
  EXPECT_EQ(platform::user_config_directory(), "/srv/conf");
  setenv("XDG_CONFIG_HOME", "relative/conf", 1);  // not absolute: ignored
  EXPECT_EQ(platform::user_config_directory(), "/home/tech/.config");
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(platform::user_config_directory(), "/home/tech/.config");
  unsetenv("HOME");
  EXPECT_NE(platform::user_config_directory(), "") << "the account's home folder";
  if (home) setenv("HOME", home->c_str(), 1);
}

}  // namespace
