// The settings file's safe save on POSIX: links keep pointing at the file they name, the
// file keeps its mode, a folder without room for a temporary gets an in-place rewrite that
// puts the old content back when it fails, a file the user may not write is never touched,
// and no temporary outlives its save (nor its crashed process).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/files.h"
#include "tests/platform/as_unprivileged.h"
#include "tests/platform/scratch_dir.h"

namespace {

namespace fs = std::filesystem;
using platform_test::read_text;
using platform_test::write_text;

size_t entries(const fs::path& dir) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator{}));
}

ino_t inode_of(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

TEST(PosixSave, ALinkedFileHasItsTargetReplacedAndKeepsItsMode) {
  platform_test::ScratchDir dir;
  fs::create_directory(dir.file("kept"));
  const std::string target = dir.file("kept/data.txt");
  write_text(target, "old");
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink("kept/data.txt", dir.file("data.txt"));

  ASSERT_TRUE(platform::replace_file_atomically(dir.file("data.txt"), "new", 3));
  EXPECT_TRUE(fs::is_symlink(dir.file("data.txt")));
  EXPECT_EQ(fs::read_symlink(dir.file("data.txt")), "kept/data.txt");
  EXPECT_EQ(read_text(target), "new");
  EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(entries(dir.path()), 2u) << "no temporary beside the link";
  EXPECT_EQ(entries(dir.file("kept")), 1u) << "no temporary beside the target";

  // A link that leads nowhere names no file to replace, and nothing is made for it.
  fs::create_symlink("gone/data.txt", dir.file("dangling"));
  EXPECT_FALSE(platform::replace_file_atomically(dir.file("dangling"), "x", 1));
  EXPECT_FALSE(platform::create_file_atomically(dir.file("dangling"), "x", 1));
  EXPECT_FALSE(fs::exists(dir.file("gone")));
}

TEST(PosixSave, CreatingMakesANewFileAndNeverReplacesOne) {
  platform_test::ScratchDir dir;
  const std::string path = dir.file("data.txt");
  ASSERT_TRUE(platform::create_file_atomically(path, "first", 5));
  EXPECT_EQ(read_text(path), "first");
  EXPECT_FALSE(platform::create_file_atomically(path, "second", 6));
  EXPECT_EQ(read_text(path), "first");
  EXPECT_FALSE(platform::create_file_atomically(dir.file("missing/data.txt"), "x", 1));
  EXPECT_FALSE(platform::replace_file_atomically(dir.file("other.txt"), "x", 1)) << "replacing never creates";
  EXPECT_EQ(entries(dir.path()), 1u);
}

TEST(PosixSave, OnlyTheTemporariesOfGoneProcessesAreCleanedAway) {
  platform_test::ScratchDir dir;
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ASSERT_GT(gone, 0);
  ::waitpid(gone, nullptr, 0);
  const std::string stale = ".~replace." + std::to_string(gone) + ".0";
  const std::string ours = ".~replace." + std::to_string(::getpid()) + ".7";
  const std::string live = ".~replace.1.0";  // process 1 always runs
  for (const std::string& name : {stale, ours, live, std::string(".~replace.x"), std::string("data.txt")})
    write_text(dir.file(name), "x");

  platform::remove_stale_replacements(dir.path().string());
  EXPECT_FALSE(fs::exists(dir.file(stale)));
  for (const std::string& name : {ours, live, std::string(".~replace.x"), std::string("data.txt")})
    EXPECT_TRUE(fs::exists(dir.file(name))) << name;
}

// What a user without rights meets: a folder that takes no new file holding a file the user
// may write, and a file the user may not write.
void save_without_rights() {
  platform_test::ScratchDir dir;
  const std::string path = dir.file("data.txt");
  write_text(path, "old content");
  const ino_t inode = inode_of(path);
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
  fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_FALSE(platform::directory_writable(dir.path().string()));

  // Rewritten in place, shorter and then longer; the mode and the file stay.
  ASSERT_TRUE(platform::replace_file_atomically(path, "new", 3));
  EXPECT_EQ(read_text(path), "new");
  ASSERT_TRUE(platform::replace_file_atomically(path, "a longer text", 13));
  EXPECT_EQ(read_text(path), "a longer text");
  EXPECT_EQ(inode_of(path), inode);
  EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);

  // A rewrite cut short (the file size limit, as a full disk would) puts the old text back.
  rlimit before{};
  ::getrlimit(RLIMIT_FSIZE, &before);
  auto previous = ::signal(SIGXFSZ, SIG_IGN);
  rlimit small = before;
  small.rlim_cur = 1024;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::string big(64 * 1024, 'n');
  EXPECT_FALSE(platform::replace_file_atomically(path, big.data(), big.size()));
  ::setrlimit(RLIMIT_FSIZE, &before);
  ::signal(SIGXFSZ, previous);
  EXPECT_EQ(read_text(path), "a longer text");
  EXPECT_FALSE(platform::create_file_atomically(dir.file("new.txt"), "x", 1));
  EXPECT_EQ(entries(dir.path()), 1u);

  // A file the user may not write is kept, in a folder that would take a temporary.
  fs::permissions(dir.path(), fs::perms::owner_all);
  fs::permissions(path, fs::perms::owner_read);
  EXPECT_TRUE(platform::directory_writable(dir.path().string()));
  EXPECT_FALSE(platform::replace_file_atomically(path, "x", 1));
  EXPECT_EQ(read_text(path), "a longer text");
  EXPECT_EQ(entries(dir.path()), 1u);
}

TEST(PosixSaveChild, WithoutRights) {
  if (!platform_test::in_unprivileged_child()) GTEST_SKIP() << "only run as a child process";
  save_without_rights();
}

TEST(PosixSave, WithoutRightsToTheFolderTheFileIsRewrittenInPlaceOrKept) {
  platform_test::run_unprivileged("PosixSaveChild.WithoutRights", {}, save_without_rights);
}

}  // namespace
