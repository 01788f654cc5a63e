// The settings file's safe save on POSIX: links keep pointing at the file they name, the
// file keeps its mode, a folder without room for a temporary gets an in-place rewrite that
// puts the old content back when it fails, a file the user may not write is never touched,
// no temporary outlives its save (nor its crashed process, once the file is whole), a file
// a cut-short save left missing comes back from its newest complete copy, and the calls a
// power cut would catch half-way come in the order that leaves a whole file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "platform/posix/file_calls.h"
#include "platform/process.h"
#include "platform/replace_leftovers.h"
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

// A settings file as the tool saves it ends with its only zero byte.
bool whole(std::string_view content) { return !content.empty() && content.find('\0') == content.size() - 1; }

pid_t gone_process() {
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ::waitpid(gone, nullptr, 0);
  return gone;
}

const std::string& our_mark() {
  static const std::string mark = platform::leftovers::computer_mark(platform::host_name());
  return mark;
}

std::string leftover(const std::string& mark, long pid, int n) {
  return platform::leftovers::make_name(".~replace.", mark, static_cast<uint64_t>(pid), static_cast<uint64_t>(n));
}

void set_age(const std::string& path, int seconds_ago) {
  fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::seconds(seconds_ago));
}

TEST(PosixSave, OnlyTheTemporariesOfGoneProcessesAreCleanedAway) {
  platform_test::ScratchDir dir;
  const pid_t gone = gone_process();
  ASSERT_GT(gone, 0);
  const std::string stale = leftover(our_mark(), gone, 0);
  const std::string ours = leftover(our_mark(), ::getpid(), 7);
  const std::string live = leftover(our_mark(), 1, 0);  // process 1 always runs
  // Another computer's, in a shared folder: its process ids say nothing here. An earlier
  // version's names say nothing of the computer.
  const std::string elsewhere = leftover(platform::leftovers::computer_mark("another-pc"), gone, 0);
  const std::string earlier = ".~replace." + std::to_string(gone) + ".0";
  for (const std::string& name : {stale, ours, live, elsewhere, earlier, std::string(".~replace.x")})
    write_text(dir.file(name), "x");

  // Nothing goes while the settings file is missing, or not whole.
  EXPECT_TRUE(platform::settle_replacements(dir.path().string(), "data.txt", whole));
  EXPECT_TRUE(fs::exists(dir.file(stale)));
  write_text(dir.file("data.txt"), "ID-1//");
  EXPECT_TRUE(platform::settle_replacements(dir.path().string(), "data.txt", whole));
  EXPECT_TRUE(fs::exists(dir.file(stale)));

  write_text(dir.file("data.txt"), std::string("ID-1//\0", 7));
  EXPECT_TRUE(platform::settle_replacements(dir.path().string(), "data.txt", whole));
  EXPECT_FALSE(fs::exists(dir.file(stale)));
  for (const std::string& name : {ours, live, elsewhere, earlier, std::string(".~replace.x"), std::string("data.txt")})
    EXPECT_TRUE(fs::exists(dir.file(name))) << name;
}

// A save cut short inside the swap (a power cut; on Windows a swap neither half of which
// could be moved back) leaves the settings file missing, its new and old contents only in
// leftovers. The newest complete one comes back under the file's name before anything goes;
// then, the file whole again, this computer's other leftovers go.
TEST(PosixSave, AMissingFileComesBackFromItsNewestCompleteLeftover) {
  platform_test::ScratchDir dir;
  const pid_t gone = gone_process();
  const std::string old_copy = leftover(our_mark(), gone, 1), new_copy = leftover(our_mark(), gone, 0);
  const std::string part = leftover(our_mark(), gone, 2);
  const std::string elsewhere = leftover(platform::leftovers::computer_mark("another-pc"), gone, 5);
  write_text(dir.file(old_copy), std::string("ID-old//\0", 9));
  write_text(dir.file(new_copy), std::string("ID-new//\0", 9));
  write_text(dir.file(part), "ID-newer//IP");  // written only in part: no end
  write_text(dir.file(elsewhere), std::string("ID-other-pc//\0", 14));
  set_age(dir.file(elsewhere), 400);
  set_age(dir.file(old_copy), 300);
  set_age(dir.file(new_copy), 200);
  set_age(dir.file(part), 100);

  EXPECT_TRUE(platform::settle_replacements(dir.path().string(), "data.txt", whole));
  EXPECT_EQ(read_text(dir.file("data.txt")), std::string("ID-new//\0", 9));
  EXPECT_FALSE(fs::exists(dir.file(new_copy)));
  EXPECT_FALSE(fs::exists(dir.file(old_copy)));
  EXPECT_FALSE(fs::exists(dir.file(part)));
  EXPECT_TRUE(fs::exists(dir.file(elsewhere))) << "another computer's leftover stays";

  // Only incomplete leftovers: nothing to bring back, and nothing goes.
  fs::remove(dir.file("data.txt"));
  fs::remove(dir.file(elsewhere));
  write_text(dir.file(part), "ID-ne");
  EXPECT_TRUE(platform::settle_replacements(dir.path().string(), "data.txt", whole));
  EXPECT_FALSE(fs::exists(dir.file("data.txt")));
  EXPECT_TRUE(fs::exists(dir.file(part)));
}

// The files layer's calls in the order they come, as "<call> <file>": the file named within
// its folder ("temp" for the save's own temporary), "folder" for the folder itself. Writes
// and flushes of a file, renames and removals; opens and closes are left out.
namespace order {

std::vector<std::string> g_calls;
std::map<int, std::string> g_files;
std::string g_dir;
bool g_refuse_new = false;  // the folder takes no new file (rights, a read-only mount)
platform::posix::FileCalls g_system = platform::posix::system_file_calls();

std::string label(const char* path) {
  const fs::path p(path);
  if (fs::path(g_dir) == p) return "folder";
  const std::string name = p.filename().string();
  const std::string ours = ".~replace." + our_mark() + "." + std::to_string(::getpid()) + ".";
  return name.rfind(ours, 0) == 0 ? "temp" : name;
}
std::string of(int fd) { return g_files.count(fd) ? g_files[fd] : "?"; }

platform::posix::FileCalls recorder() {
  platform::posix::FileCalls calls;
  calls.open = [](const char* path, int flags, mode_t mode) {
    if (g_refuse_new && (flags & O_CREAT)) {
      errno = EACCES;
      return -1;
    }
    const int fd = g_system.open(path, flags, mode);
    if (fd >= 0) g_files[fd] = label(path);
    return fd;
  };
  calls.pwrite = [](int fd, const void* data, size_t size, off_t offset) {
    const std::string call = "write " + of(fd);
    if (g_calls.empty() || g_calls.back() != call) g_calls.push_back(call);
    return g_system.pwrite(fd, data, size, offset);
  };
  calls.fsync = [](int fd) {
    g_calls.push_back("fsync " + of(fd));
    return g_system.fsync(fd);
  };
  calls.ftruncate = [](int fd, off_t length) {
    g_calls.push_back("truncate " + of(fd));
    return g_system.ftruncate(fd, length);
  };
  calls.close = [](int fd) {
    g_files.erase(fd);
    return g_system.close(fd);
  };
  calls.rename = [](const char* from, const char* to) {
    g_calls.push_back("rename " + label(from) + " " + label(to));
    return g_system.rename(from, to);
  };
  calls.rename_noreplace = [](const char* from, const char* to) {
    g_calls.push_back("rename-noreplace " + label(from) + " " + label(to));
    return g_system.rename_noreplace(from, to);
  };
  calls.link = [](const char* from, const char* to) {
    g_calls.push_back("link " + label(from) + " " + label(to));
    return g_system.link(from, to);
  };
  calls.unlink = [](const char* path) {
    g_calls.push_back("unlink " + label(path));
    return g_system.unlink(path);
  };
  return calls;
}

class PosixSaveOrder : public ::testing::Test {
 protected:
  void SetUp() override {
    g_dir = dir_.path().string();
    before_ = platform::posix::set_file_calls(recorder());
  }
  void TearDown() override {
    platform::posix::set_file_calls(before_);
    g_calls.clear();
    g_files.clear();
    g_refuse_new = false;
  }
  std::vector<std::string> calls() { return std::exchange(g_calls, {}); }
  platform_test::ScratchDir dir_;
  platform::posix::FileCalls before_;
};

using Calls = std::vector<std::string>;

// A power cut between any two steps leaves either file whole: the new content is on the disk
// before it takes the file's name, and the folder's new entry is flushed after the rename.
TEST_F(PosixSaveOrder, TheNewFileIsFlushedBeforeItTakesTheNameAndTheFolderAfterIt) {
  const std::string path = dir_.file("data.txt");
  write_text(path, "old");
  ASSERT_TRUE(platform::replace_file_atomically(path, "new", 3));
  EXPECT_EQ(calls(), (Calls{"write temp", "fsync temp", "rename temp data.txt", "fsync folder"}));

  ASSERT_TRUE(platform::create_file_atomically(dir_.file("made.txt"), "one", 3));
  EXPECT_EQ(calls(), (Calls{"write temp", "fsync temp", "rename-noreplace temp made.txt", "fsync folder"}));
  EXPECT_EQ(read_text(dir_.file("made.txt")), "one");

  // No room for a temporary: the new bytes over the old, the length cut after them (never an
  // empty or short file on the disk), then flushed.
  g_refuse_new = true;
  ASSERT_TRUE(platform::replace_file_atomically(path, "newest", 6));
  EXPECT_EQ(calls(), (Calls{"write data.txt", "truncate data.txt", "fsync data.txt"}));
  EXPECT_EQ(read_text(path), "newest");
}

// At start-up, the copy put back is flushed into its place before any other copy goes: a
// power cut in between must not leave the file missing with its copies gone.
TEST_F(PosixSaveOrder, ACopyPutBackIsInPlaceOnTheDiskBeforeTheOthersGo) {
  const pid_t gone = gone_process();
  const std::string newer = leftover(our_mark(), gone, 0), older = leftover(our_mark(), gone, 1);
  write_text(dir_.file(older), std::string("ID-old//\0", 9));
  write_text(dir_.file(newer), std::string("ID-new//\0", 9));
  set_age(dir_.file(older), 100);
  calls();
  EXPECT_TRUE(platform::settle_replacements(dir_.path().string(), "data.txt", whole));
  EXPECT_EQ(calls(), (Calls{"rename-noreplace " + newer + " data.txt", "fsync folder", "unlink " + older}));
}

}  // namespace order

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
