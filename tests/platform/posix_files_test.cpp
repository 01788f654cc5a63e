// Files: share modes between openers (also across processes), truncation only after the
// share check, and all-or-nothing replacement.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/files.h"
#include "platform/process.h"
#include "tests/platform/posix_test_dir.h"

using platform::FileAccess;
using platform::FileError;
using platform::FileOpen;
using platform::FileShare;
namespace fs = std::filesystem;

namespace {

struct ShareCase {
  FileAccess first_access;
  FileShare first_share;
  FileAccess second_access;
  FileShare second_share;
  bool second_opens;
};

class ShareMatrix : public ::testing::TestWithParam<ShareCase> {};

TEST_P(ShareMatrix, SecondOpenerMeetsTheFirstOnesShareMode) {
  const ShareCase c = GetParam();
  posix_test::ScratchDir dir;
  const std::string path = dir.file("data.txt");
  posix_test::write_text(path, "x");
  FileError error = FileError::Io;
  auto first = platform::open_file(path, FileOpen{c.first_access, c.first_share}, error);
  ASSERT_NE(first, nullptr);
  auto second = platform::open_file(path, FileOpen{c.second_access, c.second_share}, error);
  EXPECT_EQ(second != nullptr, c.second_opens);
  EXPECT_EQ(error, c.second_opens ? FileError::None : FileError::SharingViolation);
  // Closing the first always frees the file.
  first.reset();
  second.reset();
  EXPECT_NE(platform::open_file(path, FileOpen{c.second_access, c.second_share}, error), nullptr);
}

using A = FileAccess;
using S = FileShare;
INSTANTIATE_TEST_SUITE_P(
    Pairs, ShareMatrix,
    ::testing::Values(ShareCase{A::Read, S::DenyNone, A::Read, S::DenyNone, true},
                      ShareCase{A::Read, S::DenyNone, A::ReadWrite, S::DenyNone, true},
                      ShareCase{A::Read, S::DenyWrite, A::Read, S::DenyWrite, true},
                      ShareCase{A::Read, S::DenyWrite, A::Write, S::DenyNone, false},
                      ShareCase{A::Write, S::DenyNone, A::Read, S::DenyWrite, false},
                      ShareCase{A::Write, S::DenyRead, A::Write, S::DenyNone, true},
                      ShareCase{A::Write, S::DenyRead, A::Read, S::DenyNone, false},
                      ShareCase{A::Read, S::DenyNone, A::Read, S::DenyRead, false},
                      ShareCase{A::ReadWrite, S::Exclusive, A::Read, S::DenyNone, false},
                      ShareCase{A::Read, S::DenyNone, A::Write, S::Exclusive, false}));

TEST(PosixFiles, DeniedWriterCannotTruncateTheFile) {
  posix_test::ScratchDir dir;
  const std::string path = dir.file("data.txt");
  posix_test::write_text(path, "keep me");
  FileError error;
  auto reader = platform::open_file(path, FileOpen{A::Read, S::DenyWrite}, error);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(platform::open_file(path, FileOpen{A::Write, S::DenyNone, false, true}, error), nullptr);
  EXPECT_EQ(error, FileError::SharingViolation);
  EXPECT_EQ(posix_test::read_text(path), "keep me");
}

TEST(PosixFiles, OpenRefusesWhatIsNotAnOrdinaryFile) {
  posix_test::ScratchDir dir;
  FileError error;
  EXPECT_EQ(platform::open_file(dir.file("missing"), FileOpen{}, error), nullptr);
  EXPECT_EQ(error, FileError::NotFound);
  EXPECT_EQ(platform::open_file(dir.path().string(), FileOpen{}, error), nullptr);
  EXPECT_EQ(error, FileError::Permission);
  EXPECT_EQ(platform::open_file(dir.file("x"), FileOpen{A::Read, S::DenyNone, true, true}, error), nullptr);
  EXPECT_FALSE(fs::exists(dir.file("x")));
}

TEST(PosixFiles, ReadWriteSeekAndLength) {
  posix_test::ScratchDir dir;
  const std::string path = dir.file("f");
  FileError error;
  auto file = platform::open_file(path, FileOpen{A::Write, S::DenyNone, true, false}, error);
  ASSERT_NE(file, nullptr);
  ASSERT_TRUE(file->write("abcdef", 6));
  char buf[8] = {};
  size_t got = 1;
  EXPECT_FALSE(file->read(buf, 2, got));  // opened for writing only
  EXPECT_EQ(got, 0u);
  ASSERT_TRUE(file->set_length(4));
  EXPECT_EQ(file->length(), 4);
  file.reset();
  file = platform::open_file(path, FileOpen{}, error);
  ASSERT_TRUE(file->seek(1));
  ASSERT_TRUE(file->read(buf, 8, got));
  EXPECT_EQ(std::string(buf, got), "bcd");
  EXPECT_EQ(file->position(), 4);
  EXPECT_FALSE(file->write("z", 1));
  EXPECT_FALSE(file->seek(-1));
}

// Run by the parent test in a separate process; does nothing in a normal run.
TEST(PosixFilesChild, WriterIsRefusedWhileAnotherProcessDeniesWriting) {
  const auto path = platform::environment("DTU_SHARE_CHILD_FILE");
  if (!path) GTEST_SKIP() << "only run as a child process";
  FileError error;
  EXPECT_EQ(platform::open_file(*path, FileOpen{A::Write, S::DenyNone}, error), nullptr);
  EXPECT_EQ(error, FileError::SharingViolation);
  EXPECT_NE(platform::open_file(*path, FileOpen{A::Read, S::DenyNone}, error), nullptr);
  posix_test::write_text(*path + ".ran", "");  // tells the parent this really ran
}

TEST(PosixFiles, ShareModesHoldAcrossProcesses) {
  posix_test::ScratchDir dir;
  const std::string path = dir.file("data.txt");
  posix_test::write_text(path, "x");
  FileError error;
  auto holder = platform::open_file(path, FileOpen{A::Read, S::DenyWrite}, error);
  ASSERT_NE(holder, nullptr);
  const std::string command = "DTU_SHARE_CHILD_FILE='" + path + "' '" + platform::program_path() +
                              "' --gtest_filter=PosixFilesChild.* > /dev/null";
  EXPECT_EQ(std::system(command.c_str()), 0);
  EXPECT_TRUE(fs::exists(path + ".ran"));
}

TEST(PosixReplace, NewContentKeepsTheOriginalPermissions) {
  posix_test::ScratchDir dir;
  const std::string path = dir.file("data.txt");
  posix_test::write_text(path, "old");
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_TRUE(platform::replace_file_atomically(path, "new content", 11));
  EXPECT_EQ(posix_test::read_text(path), "new content");
  EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator{}), 1);
}

TEST(PosixReplace, RefusesToReplaceADirectory) {
  posix_test::ScratchDir dir;
  fs::create_directory(dir.file("sub"));
  posix_test::write_text(dir.file("sub/inner"), "x");
  EXPECT_FALSE(platform::replace_file_atomically(dir.file("sub"), "y", 1));
  EXPECT_EQ(posix_test::read_text(dir.file("sub/inner")), "x");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator{}), 1);
}

TEST(PosixReplace, ReadOnlyDirectoryAndFileKeepTheOldFile) {
  posix_test::ScratchDir dir;
  const std::string path = dir.file("data.txt");
  posix_test::write_text(path, "old");
  fs::permissions(path, fs::perms::owner_read);
  fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
  if (std::ofstream(dir.file("probe"))) GTEST_SKIP() << "privileged user: directory permissions do not apply";
  EXPECT_FALSE(platform::replace_file_atomically(path, "new", 3));
  EXPECT_EQ(posix_test::read_text(path), "old");
}

// Run in a child process whose file size limit makes the write fail half way.
TEST(PosixReplaceChild, WriteCutShortKeepsTheOldFile) {
  const auto path = platform::environment("DTU_REPLACE_CHILD_FILE");
  const auto ran = platform::environment("DTU_REPLACE_CHILD_RAN");
  if (!path || !ran) GTEST_SKIP() << "only run as a child process";
  const std::string big(64 * 1024, 'n');
  EXPECT_FALSE(platform::replace_file_atomically(*path, big.data(), big.size()));
  posix_test::write_text(*ran, "");  // tells the parent this really ran
}

TEST(PosixReplace, FailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
  posix_test::ScratchDir dir, elsewhere;
  const std::string path = dir.file("data.txt");
  posix_test::write_text(path, "old");
  // The shell ignores the over-size signal (inherited) and limits files to 1 KiB.
  const std::string command = "trap '' XFSZ; ulimit -f 1; DTU_REPLACE_CHILD_FILE='" + path + "' DTU_REPLACE_CHILD_RAN='" +
                              elsewhere.file("ran") + "' exec '" +
                              platform::program_path() + "' --gtest_filter=PosixReplaceChild.* > /dev/null";
  EXPECT_EQ(std::system(command.c_str()), 0);
  EXPECT_TRUE(fs::exists(elsewhere.file("ran")));
  EXPECT_EQ(posix_test::read_text(path), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator{}), 1);
}

}  // namespace
