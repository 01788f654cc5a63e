// Files, the same on every system: share modes between openers, truncation only after the
// share check, what is not an ordinary file, and all-or-nothing replacement.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/files.h"
#include "tests/platform/scratch_dir.h"

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
  platform_test::ScratchDir dir;
  const std::string path = dir.file("data.txt");
  platform_test::write_text(path, "x");
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

TEST(Files, DeniedWriterCannotTruncateTheFile) {
  platform_test::ScratchDir dir;
  const std::string path = dir.file("data.txt");
  platform_test::write_text(path, "keep me");
  FileError error;
  auto reader = platform::open_file(path, FileOpen{A::Read, S::DenyWrite}, error);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(platform::open_file(path, FileOpen{A::Write, S::DenyNone, false, true}, error), nullptr);
  EXPECT_EQ(error, FileError::SharingViolation);
  EXPECT_EQ(platform_test::read_text(path), "keep me");
}

TEST(Files, OpenRefusesWhatIsNotAnOrdinaryFile) {
  platform_test::ScratchDir dir;
  FileError error;
  EXPECT_EQ(platform::open_file(dir.file("missing"), FileOpen{}, error), nullptr);
  EXPECT_EQ(error, FileError::NotFound);
  EXPECT_EQ(platform::open_file(platform_test::utf8_string(dir.path()), FileOpen{}, error), nullptr);
  EXPECT_EQ(error, FileError::Permission);
  EXPECT_EQ(platform::open_file(dir.file("x"), FileOpen{A::Read, S::DenyNone, true, true}, error), nullptr);
  EXPECT_FALSE(fs::exists(dir.file("x")));
}

TEST(Files, ReadWriteSeekAndLength) {
  platform_test::ScratchDir dir;
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

TEST(Replace, RefusesToReplaceADirectory) {
  platform_test::ScratchDir dir;
  fs::create_directory(dir.file("sub"));
  platform_test::write_text(dir.file("sub/inner"), "x");
  EXPECT_FALSE(platform::replace_file_atomically(dir.file("sub"), "y", 1));
  EXPECT_EQ(platform_test::read_text(dir.file("sub/inner")), "x");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator{}), 1);
}

// A first save into a fresh folder: the file appears whole or not at all, never over one that
// appeared meanwhile, and leaves nothing else behind.
TEST(Create, AllOrNothingAndNeverOverAnExistingFile) {
  platform_test::ScratchDir dir;
  EXPECT_TRUE(platform::directory_writable(platform_test::utf8_string(dir.path())));
  const std::string path = dir.file("data.txt");
  ASSERT_TRUE(platform::create_file_atomically(path, "abc", 4));
  EXPECT_EQ(platform_test::read_text(path), std::string("abc", 4));
  EXPECT_FALSE(platform::create_file_atomically(path, "new", 3));
  EXPECT_EQ(platform_test::read_text(path), std::string("abc", 4));
  // Nothing a cut-short save left: all kept.
  EXPECT_TRUE(platform::settle_replacements(platform_test::utf8_string(dir.path()), "data.txt",
                                            [](std::string_view) { return true; }));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator{}), 1);
}

}  // namespace
