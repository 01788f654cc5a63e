// Files on Windows beyond the shared contract: names in any script through the wide calls,
// devices refused, and replacement keeping the old file when the swap cannot be made.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/files.h"
#include "tests/platform/scratch_dir.h"

namespace {

namespace fs = std::filesystem;
using platform::FileAccess;
using platform::FileError;
using platform::FileOpen;
using platform::FileShare;
using platform_test::read_text;
using platform_test::utf8_path;
using platform_test::write_text;

size_t entries(const fs::path& dir) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator{}));
}

TEST(Win32Files, NamesInChineseReachTheFileSystemUnchanged) {
  platform_test::ScratchDir dir;
  const std::string path = dir.file("设置 数据.txt");
  FileError error;
  auto file = platform::open_file(path, FileOpen{FileAccess::Write, FileShare::DenyNone, true, false}, error);
  ASSERT_NE(file, nullptr);
  ASSERT_TRUE(file->write("abc", 3));
  file.reset();
  EXPECT_TRUE(fs::exists(dir.path() / fs::path(u8"设置 数据.txt")));
  EXPECT_EQ(read_text(path), "abc");
  ASSERT_TRUE(platform::replace_file_atomically(path, "new", 3));
  EXPECT_EQ(read_text(path), "new");
  EXPECT_EQ(entries(dir.path()), 1u);
}

TEST(Win32Files, DevicesAndUnusableNamesAreNotOpened) {
  platform_test::ScratchDir dir;
  FileError error;
  EXPECT_EQ(platform::open_file("NUL", FileOpen{}, error), nullptr);
  EXPECT_EQ(error, FileError::Io);
  EXPECT_EQ(platform::open_file(platform_test::utf8_string(dir.path()) + "/bad\xFFname", FileOpen{FileAccess::Write, FileShare::DenyNone, true}, error),
            nullptr);
  EXPECT_EQ(error, FileError::NotFound);
  EXPECT_EQ(platform::open_file(std::string("a\0b", 3), FileOpen{FileAccess::Write, FileShare::DenyNone, true}, error),
            nullptr);
  EXPECT_EQ(entries(dir.path()), 0u);
  EXPECT_FALSE(fs::exists("a"));  // not the name cut short at the zero
}

// The tool saves its settings while it holds the file open denying nothing; a holder that
// denies writing keeps the old content.
TEST(Win32Replace, OnlyAHolderDenyingWritesKeepsTheOldContent) {
  platform_test::ScratchDir dir;
  const std::string path = dir.file("data.txt");
  write_text(path, "old");
  FileError error;
  auto own = platform::open_file(path, FileOpen{FileAccess::Write, FileShare::DenyNone}, error);
  ASSERT_NE(own, nullptr);
  ASSERT_TRUE(platform::replace_file_atomically(path, "new", 3));
  own.reset();
  EXPECT_EQ(read_text(path), "new");
  auto holder = platform::open_file(path, FileOpen{FileAccess::Read, FileShare::DenyWrite}, error);
  ASSERT_NE(holder, nullptr);
  EXPECT_FALSE(platform::replace_file_atomically(path, "newer", 5));
  EXPECT_EQ(read_text(path), "new");
  EXPECT_EQ(entries(dir.path()), 1u);  // no sibling left behind
  holder.reset();
  ASSERT_TRUE(platform::replace_file_atomically(path, "newest", 6));
  EXPECT_EQ(read_text(path), "newest");
  EXPECT_EQ(entries(dir.path()), 1u);
}

TEST(Win32Replace, AMissingFileIsMovedIntoPlace) {
  platform_test::ScratchDir dir;
  const std::string path = dir.file("fresh.txt");
  ASSERT_TRUE(platform::replace_file_atomically(path, "one", 3));
  EXPECT_EQ(read_text(path), "one");
  EXPECT_EQ(entries(dir.path()), 1u);
}

}  // namespace
