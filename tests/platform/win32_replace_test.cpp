// Saving over a file when Windows does not make the swap at once: another program holding a
// file for a moment (retried briefly), and a swap stopped half-way with the original moved
// aside or gone (finished, or the original put back). Whatever happens, the file holds its
// old content or its new one, and the new content is never thrown away while the old one is
// not whole under its own name. A swap neither half of which could be moved back leaves
// both for the next start, which puts the newest back before anything goes. The calls a power
// cut would catch half-way come in an order that leaves a whole file. The faults come through
// the files layer's table of calls, which also records their order; everything else is the
// real file system.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <numeric>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/replace_leftovers.h"
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
// The calls that write, flush, swap, move and remove files, in order: "write", "flush",
// "replace", "move <from> <to>" (" through" when written through), "delete <name>"; a
// save's own siblings named "sibling".
std::vector<std::string> g_calls;

std::string name_of(LPCWSTR path) {
  const std::string name = platform_test::utf8_string(fs::path(path).filename());
  const std::string ours = platform::leftovers::make_name(
      "~replace.", platform::leftovers::computer_mark(platform::host_name()), GetCurrentProcessId(), 0);
  return name.rfind(ours.substr(0, ours.size() - 1), 0) == 0 ? "sibling" : name;
}

BOOL WINAPI replace_file(LPCWSTR target, LPCWSTR temp, LPCWSTR backup, DWORD flags, LPVOID, LPVOID) {
  g_calls.push_back("replace");
  return g_replace ? g_replace(target, temp, backup) : ReplaceFileW(target, temp, backup, flags, nullptr, nullptr);
}
BOOL WINAPI move_file(LPCWSTR from, LPCWSTR to, DWORD flags) {
  g_calls.push_back("move " + name_of(from) + " " + name_of(to) + (flags & MOVEFILE_WRITE_THROUGH ? " through" : ""));
  return g_move ? g_move(from, to, flags) : MoveFileExW(from, to, flags);
}
BOOL WINAPI delete_file(LPCWSTR path) {
  g_calls.push_back("delete " + name_of(path));
  return DeleteFileW(path);
}
BOOL WINAPI write_file(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) {
  if (g_calls.empty() || g_calls.back() != "write") g_calls.push_back("write");
  return WriteFile(file, data, size, written, overlapped);
}
BOOL WINAPI flush_file(HANDLE file) {
  g_calls.push_back("flush");
  return FlushFileBuffers(file);
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
    calls.delete_file = &delete_file;
    calls.write_file = &write_file;
    calls.flush_file = &flush_file;
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
    g_calls.clear();
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

// The id of a process that has ended: this program, started to list its tests.
DWORD gone_process() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command_line = L"\"" + std::wstring(self) + L"\" --gtest_list_tests";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(self, command_line.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr, &si, &pi))
    return 0;
  WaitForSingleObject(pi.hProcess, INFINITE);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return pi.dwProcessId;
}

// A settings file as the tool saves it ends with its only zero byte.
bool whole(std::string_view content) { return !content.empty() && content.find('\0') == content.size() - 1; }

// The swap stopped with the original moved aside, and neither file can be moved back (a
// scanner holds both past the retries): the file is missing, the old and new contents are
// left under siblings' names. At the next start (this process's leftovers renamed to those
// of one that has ended) the newest is put back before anything goes, written through; while
// it cannot be moved either, nothing goes and nothing may take the file's place.
TEST_F(Win32ReplaceFaults, ASwapNeitherHalfOfWhichCouldBeMovedBackIsSettledAtTheNextStart) {
  const std::string v1("ID-1//\0", 7), v2("ID-2//\0", 7);
  ASSERT_TRUE(save(v1));
  g_replace = [](LPCWSTR target, LPCWSTR, LPCWSTR backup) {
    return stopped_half_way(target, backup, true, ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
  };
  g_move = [](LPCWSTR, LPCWSTR, DWORD) { return refuse(ERROR_SHARING_VIOLATION); };
  EXPECT_FALSE(save(v2));
  g_replace = nullptr;

  const DWORD gone = gone_process();
  ASSERT_NE(gone, 0u);
  const std::string mark = platform::leftovers::computer_mark(platform::host_name());
  std::string newer, older;
  for (const auto& [name, content] : folder()) {
    const std::optional<platform::leftovers::Name> parsed = platform::leftovers::parse_name(name, "~replace.");
    ASSERT_TRUE(parsed && parsed->mark == mark && parsed->pid == GetCurrentProcessId()) << name;
    const std::string renamed = platform::leftovers::make_name("~replace.", mark, gone, parsed->n);
    fs::rename(dir_.path() / name, dir_.path() / renamed);
    (content == v2 ? newer : older) = renamed;
  }
  ASSERT_FALSE(newer.empty());
  ASSERT_FALSE(older.empty());
  // The old content's file may bear the same time as the new one's, or a later name.
  fs::last_write_time(dir_.path() / older, fs::last_write_time(dir_.path() / newer) - std::chrono::seconds(60));

  g_calls.clear();
  EXPECT_FALSE(platform::settle_replacements(dir_.path().string(), "data.txt", whole));
  EXPECT_EQ(folder(), (Files{{newer, v2}, {older, v1}}));

  g_move = nullptr;
  g_calls.clear();
  EXPECT_TRUE(platform::settle_replacements(dir_.path().string(), "data.txt", whole));
  EXPECT_EQ(folder(), (Files{{"data.txt", v2}}));
  EXPECT_EQ(g_calls, (std::vector<std::string>{"move " + newer + " data.txt through", "delete " + older}));
}

// A power cut between any two steps leaves either file whole: the new content is flushed
// before the swap (or the move) gives it the file's name, and a move is written through.
TEST_F(Win32ReplaceFaults, TheNewFileIsFlushedBeforeItTakesTheName) {
  ASSERT_TRUE(save("new"));
  EXPECT_EQ(g_calls, (std::vector<std::string>{"write", "flush", "replace", "delete sibling"}));
  g_calls.clear();
  ASSERT_TRUE(platform::create_file_atomically(dir_.file("made.txt"), "one", 3));
  EXPECT_EQ(g_calls, (std::vector<std::string>{"write", "flush", "move sibling made.txt through"}));
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
