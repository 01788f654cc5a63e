// Saving over a file when Windows does not make the swap at once: another program holding a
// file for a moment (retried briefly), and a swap stopped half-way with the original moved
// aside or gone (finished, or the original put back). Whatever happens, the file holds its
// old content or its new one, and the new content is never thrown away while the old one is
// not whole under its own name. The faults come through the files layer's table of calls;
// everything else is the real file system.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <numeric>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/win32/file_calls.h"
#include "tests/platform/scratch_dir.h"

namespace replace_test {

namespace fs = std::filesystem;
using platform_test::read_text;
using platform_test::write_text;

std::function<BOOL(LPCWSTR target, LPCWSTR temp, LPCWSTR backup)> g_replace;
std::function<BOOL(LPCWSTR from, LPCWSTR to, DWORD flags)> g_move;
std::vector<DWORD> g_pauses;
std::function<void()> g_on_pause;

BOOL WINAPI replace_file(LPCWSTR target, LPCWSTR temp, LPCWSTR backup, DWORD flags, LPVOID, LPVOID) {
  return g_replace ? g_replace(target, temp, backup) : ReplaceFileW(target, temp, backup, flags, nullptr, nullptr);
}
BOOL WINAPI move_file(LPCWSTR from, LPCWSTR to, DWORD flags) {
  return g_move ? g_move(from, to, flags) : MoveFileExW(from, to, flags);
}
void WINAPI pause(DWORD ms) {
  g_pauses.push_back(ms);
  if (g_on_pause) g_on_pause();
}

BOOL refuse(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// Windows' swap stopped after moving the original aside (to the backup name, or away for
// good when `keep_backup` is false): the new file keeps its temporary name.
BOOL stopped_half_way(LPCWSTR target, LPCWSTR backup, bool keep_backup, DWORD error) {
  const BOOL aside = keep_backup ? MoveFileExW(target, backup, 0) : DeleteFileW(target);
  EXPECT_TRUE(aside);
  return refuse(error);
}

class Win32ReplaceFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::win32::FileCalls calls;
    calls.replace_file = &replace_file;
    calls.move_file = &move_file;
    calls.pause = &pause;
    real_ = platform::win32::set_file_calls(calls);
    write_text(path_, "old");
  }
  void TearDown() override {
    platform::win32::set_file_calls(real_);
    g_replace = nullptr;
    g_move = nullptr;
    g_on_pause = nullptr;
    g_pauses.clear();
  }
  bool save(const std::string& content) { return platform::replace_file_atomically(path_, content.data(), content.size()); }
  // The folder's files and their contents, by name.
  std::map<std::string, std::string> folder() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(dir_.path()))
      files[platform_test::utf8_string(entry.path().filename())] = read_text(platform_test::utf8_string(entry.path()));
    return files;
  }
  DWORD paused() const { return std::accumulate(g_pauses.begin(), g_pauses.end(), DWORD{0}); }

  platform::win32::FileCalls real_;
  platform_test::ScratchDir dir_;
  const std::string path_ = dir_.file("data.txt");
};

using Files = std::map<std::string, std::string>;

TEST_F(Win32ReplaceFaults, ABriefHoldIsWaitedOutAndALongOneLeavesTheOldFile) {
  int refusals = 3;
  g_replace = [&](LPCWSTR target, LPCWSTR temp, LPCWSTR backup) {
    if (refusals-- > 0) return refuse(ERROR_SHARING_VIOLATION);
    return ReplaceFileW(target, temp, backup, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
  };
  EXPECT_TRUE(save("new"));
  EXPECT_EQ(folder(), (Files{{"data.txt", "new"}}));
  EXPECT_EQ(g_pauses.size(), 3u);

  // Held for good: given up after about a second, the sibling removed.
  g_pauses.clear();
  g_replace = [](LPCWSTR, LPCWSTR, LPCWSTR) { return refuse(ERROR_SHARING_VIOLATION); };
  EXPECT_FALSE(save("newer"));
  EXPECT_EQ(folder(), (Files{{"data.txt", "new"}}));
  EXPECT_GE(paused(), 500u);
  EXPECT_LE(paused(), 1500u);

  // Refused for another reason: not tried again.
  g_pauses.clear();
  g_replace = [](LPCWSTR, LPCWSTR, LPCWSTR) { return refuse(ERROR_ACCESS_DENIED); };
  EXPECT_FALSE(save("newer"));
  EXPECT_EQ(folder(), (Files{{"data.txt", "new"}}));
  EXPECT_TRUE(g_pauses.empty());
}

// ERROR_UNABLE_TO_MOVE_REPLACEMENT_2: the original moved to the backup name, the new file
// still under its own. The move is finished; failing that, the original goes back.
TEST_F(Win32ReplaceFaults, ASwapStoppedWithTheOriginalAsideIsFinishedOrUndone) {
  g_replace = [](LPCWSTR target, LPCWSTR, LPCWSTR backup) {
    return stopped_half_way(target, backup, true, ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
  };
  int refusals = 2;  // the new file held for a moment
  g_move = [&](LPCWSTR from, LPCWSTR to, DWORD flags) {
    if (refusals-- > 0) return refuse(ERROR_SHARING_VIOLATION);
    return MoveFileExW(from, to, flags);
  };
  EXPECT_TRUE(save("new"));
  EXPECT_EQ(folder(), (Files{{"data.txt", "new"}}));

  // The new file cannot be moved at all: the original is put back.
  std::wstring refused_name;
  g_move = [&](LPCWSTR from, LPCWSTR to, DWORD flags) {
    if (std::wstring(from).find(L"~replace.") != std::wstring::npos && refused_name.empty()) refused_name = from;
    if (from == refused_name) return refuse(ERROR_SHARING_VIOLATION);
    return MoveFileExW(from, to, flags);
  };
  EXPECT_FALSE(save("newer"));
  EXPECT_EQ(folder(), (Files{{"data.txt", "new"}}));

  // Neither can be moved: both stay, the old content and the new, and nothing is removed.
  g_move = [](LPCWSTR, LPCWSTR, DWORD) { return refuse(ERROR_SHARING_VIOLATION); };
  EXPECT_FALSE(save("newest"));
  Files left = folder();
  EXPECT_EQ(left.count("data.txt"), 0u);
  ASSERT_EQ(left.size(), 2u);
  std::vector<std::string> contents;
  for (const auto& [name, content] : left) {
    EXPECT_EQ(name.rfind("~replace.", 0), 0u) << name;
    contents.push_back(content);
  }
  std::sort(contents.begin(), contents.end());
  EXPECT_EQ(contents, (std::vector<std::string>{"new", "newest"}));
}

// ERROR_UNABLE_TO_MOVE_REPLACEMENT: as Windows documents it, the original is gone when no
// backup was asked for, and both keep their names when one was. Either way the file ends up
// whole: new where the original had gone, old where it stayed.
TEST_F(Win32ReplaceFaults, ASwapStoppedBeforeTheNewFileMovedKeepsOneWholeFile) {
  g_replace = [](LPCWSTR target, LPCWSTR, LPCWSTR backup) {
    return stopped_half_way(target, backup, false, ERROR_UNABLE_TO_MOVE_REPLACEMENT);
  };
  EXPECT_TRUE(save("new"));
  EXPECT_EQ(folder(), (Files{{"data.txt", "new"}}));

  g_replace = [](LPCWSTR, LPCWSTR, LPCWSTR) { return refuse(ERROR_UNABLE_TO_MOVE_REPLACEMENT); };
  EXPECT_FALSE(save("newer"));
  EXPECT_EQ(folder(), (Files{{"data.txt", "new"}}));
}

// Real calls but for the pause: a program holds the file without sharing its deletion, and
// lets go while the save waits.
TEST_F(Win32ReplaceFaults, AHolderThatLetsGoWhileTheSaveWaitsLetsItThrough) {
  HANDLE holder = CreateFileW(fs::path(platform_test::utf8_path(path_)).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  g_on_pause = [&] {
    if (g_pauses.size() == 2) CloseHandle(holder);
  };
  EXPECT_TRUE(save("new"));
  EXPECT_EQ(folder(), (Files{{"data.txt", "new"}}));
  EXPECT_EQ(g_pauses.size(), 2u);

  // A new file whose name is held for a moment by whoever just made one there.
  const std::string fresh = dir_.file("fresh.txt");
  int refusals = 1;
  g_move = [&](LPCWSTR from, LPCWSTR to, DWORD flags) {
    if (refusals-- > 0) return refuse(ERROR_SHARING_VIOLATION);
    return MoveFileExW(from, to, flags);
  };
  EXPECT_TRUE(platform::create_file_atomically(fresh, "one", 3));
  EXPECT_EQ(folder(), (Files{{"data.txt", "new"}, {"fresh.txt", "one"}}));
}

}  // namespace replace_test
