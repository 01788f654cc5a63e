// Files on POSIX: share modes across processes, and replacement keeping the original's
// permissions and surviving a write cut short.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/files.h"
#include "platform/posix/mounts.h"
#include "platform/process.h"
#include "tests/platform/scratch_dir.h"

using platform::FileAccess;
using platform::FileError;
using platform::FileOpen;
using platform::FileShare;
namespace fs = std::filesystem;

namespace {

using A = FileAccess;
using S = FileShare;

// Run by the parent test in a separate process; does nothing in a normal run.
TEST(PosixFilesChild, WriterIsRefusedWhileAnotherProcessDeniesWriting) {
  const auto path = platform::environment("DTU_SHARE_CHILD_FILE");
  if (!path) GTEST_SKIP() << "only run as a child process";
  FileError error;
  EXPECT_EQ(platform::open_file(*path, FileOpen{A::Write, S::DenyNone}, error), nullptr);
  EXPECT_EQ(error, FileError::SharingViolation);
  EXPECT_NE(platform::open_file(*path, FileOpen{A::Read, S::DenyNone}, error), nullptr);
  platform_test::write_text(*path + ".ran", "");  // tells the parent this really ran
}

TEST(PosixFiles, ShareModesHoldAcrossProcesses) {
  platform_test::ScratchDir dir;
  const std::string path = dir.file("data.txt");
  platform_test::write_text(path, "x");
  FileError error;
  auto holder = platform::open_file(path, FileOpen{A::Read, S::DenyWrite}, error);
  ASSERT_NE(holder, nullptr);
  const std::string command = "DTU_SHARE_CHILD_FILE='" + path + "' '" + platform::program_path() +
                              "' --gtest_filter=PosixFilesChild.* > /dev/null";
  EXPECT_EQ(std::system(command.c_str()), 0);
  EXPECT_TRUE(fs::exists(path + ".ran"));
}

TEST(PosixReplace, NewContentKeepsTheOriginalPermissions) {
  platform_test::ScratchDir dir;
  const std::string path = dir.file("data.txt");
  platform_test::write_text(path, "old");
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_TRUE(platform::replace_file_atomically(path, "new content", 11));
  EXPECT_EQ(platform_test::read_text(path), "new content");
  EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator{}), 1);
}

TEST(PosixReplace, ReadOnlyDirectoryAndFileKeepTheOldFile) {
  platform_test::ScratchDir dir;
  const std::string path = dir.file("data.txt");
  platform_test::write_text(path, "old");
  fs::permissions(path, fs::perms::owner_read);
  fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
  if (std::ofstream(dir.file("probe"))) GTEST_SKIP() << "privileged user: directory permissions do not apply";
  EXPECT_FALSE(platform::replace_file_atomically(path, "new", 3));
  EXPECT_EQ(platform_test::read_text(path), "old");
}

// Run in a child process whose file size limit makes the write fail half way.
TEST(PosixReplaceChild, WriteCutShortKeepsTheOldFile) {
  const auto path = platform::environment("DTU_REPLACE_CHILD_FILE");
  const auto ran = platform::environment("DTU_REPLACE_CHILD_RAN");
  if (!path || !ran) GTEST_SKIP() << "only run as a child process";
  const std::string big(64 * 1024, 'n');
  EXPECT_FALSE(platform::replace_file_atomically(*path, big.data(), big.size()));
  platform_test::write_text(*ran, "");  // tells the parent this really ran
}

TEST(PosixReplace, FailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
  platform_test::ScratchDir dir, elsewhere;
  const std::string path = dir.file("data.txt");
  platform_test::write_text(path, "old");
  // The shell ignores the over-size signal (inherited) and limits files to 1 KiB.
  const std::string command = "trap '' XFSZ; ulimit -f 1; DTU_REPLACE_CHILD_FILE='" + path + "' DTU_REPLACE_CHILD_RAN='" +
                              elsewhere.file("ran") + "' exec '" +
                              platform::program_path() + "' --gtest_filter=PosixReplaceChild.* > /dev/null";
  EXPECT_EQ(std::system(command.c_str()), 0);
  EXPECT_TRUE(fs::exists(elsewhere.file("ran")));
  EXPECT_EQ(platform_test::read_text(path), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator{}), 1);
}

}  // namespace

namespace {

// The mount that holds a path is the longest mount point above it, the last mounted of
// equal ones; its type says whether another machine keeps the files.
TEST(PosixMounts, TheMountThatHoldsAPathAndWhetherItIsAnotherMachines) {
  const std::string table =
      "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
      "40 22 0:40 / /mnt/plant rw shared:20 - nfs4 server:/export rw,vers=4.2\n"
      "41 40 0:41 / /mnt/plant/local\\040disk rw - ext4 /dev/sdb1 rw\n"
      "42 22 0:42 / /srv/share rw - cifs //pc/share rw\n"
      "43 22 0:43 / /srv/share rw - tmpfs tmpfs rw\n"
      "44 22 0:44 / /home/ann/remote rw - fuse.sshfs ann@pc:/ rw\n"
      "garbled line\n";
  using platform::posix::mount_type_at;
  EXPECT_EQ(mount_type_at(table, "/mnt/plant/run.sqlite"), "nfs4");
  EXPECT_EQ(mount_type_at(table, "/mnt/plant/local disk/run.sqlite"), "ext4") << "a disk mounted inside the share";
  EXPECT_EQ(mount_type_at(table, "/mnt/plantation/run.sqlite"), "ext4") << "a name that only starts the same";
  EXPECT_EQ(mount_type_at(table, "/srv/share/run.sqlite"), "tmpfs") << "mounted over the share";
  EXPECT_EQ(mount_type_at(table, "/home/ann/remote/x"), "fuse.sshfs");
  for (const char* type : {"nfs", "nfs4", "cifs", "smb3", "9p", "fuse.sshfs"})
    EXPECT_TRUE(platform::posix::is_network_type(type)) << type;
  for (const char* type : {"ext4", "tmpfs", "xfs", "btrfs", "overlay", "fuse.portal"})
    EXPECT_FALSE(platform::posix::is_network_type(type)) << type;
  platform_test::ScratchDir dir;
  EXPECT_EQ(platform::network_file_system(dir.file("new.sqlite")), "") << "the scratch folder is this machine's";
}

}  // namespace
