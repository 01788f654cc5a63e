// The console program's child processes on Windows end with it however it ends: a parent
// ended from outside (Task Manager, a CI time-out) takes its children with it, so none is
// left holding a COM port; and what a child leaves running when it ends neither holds up the
// wait for the children nor outlives it. The parent and its child are this test program,
// started again.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "platform/child_processes.h"
#include "platform/process.h"
#include "tests/platform/scratch_dir.h"

namespace children_test {

constexpr wchar_t kRole[] = L"DTU_CHILDREN_TEST_ROLE";
constexpr wchar_t kPidFile[] = L"DTU_CHILDREN_TEST_PID_FILE";

std::wstring variable(const wchar_t* name) {
  wchar_t value[512];
  const DWORD n = GetEnvironmentVariableW(name, value, 512);
  return n > 0 && n < 512 ? std::wstring(value, n) : std::wstring();
}

// The parent: starts one child the way the console program starts one per port, then waits.
TEST(Win32ChildrenHelper, Parent) {
  if (variable(kRole) != L"parent") GTEST_SKIP() << "only run as the parent of the test below";
  SetEnvironmentVariableW(kRole, L"child");
  platform::ChildProcesses children;
  std::string error;
  ASSERT_TRUE(children.start(platform::program_path(), {"--gtest_filter=Win32ChildrenHelper.Child"}, error)) << error;
  children.wait_all([](size_t, platform::ChildStream, std::string_view) {});
}

// The child: tells its process id, then lives a minute unless ended.
TEST(Win32ChildrenHelper, Child) {
  if (variable(kRole) != L"child") GTEST_SKIP() << "only run as the child of the parent above";
  const std::wstring pid_file = variable(kPidFile);
  const std::wstring temp = pid_file + L".new";
  HANDLE f = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  const std::string pid = std::to_string(GetCurrentProcessId());
  DWORD written = 0;
  WriteFile(f, pid.data(), static_cast<DWORD>(pid.size()), &written, nullptr);
  CloseHandle(f);
  MoveFileExW(temp.c_str(), pid_file.c_str(), MOVEFILE_REPLACE_EXISTING);
  Sleep(60000);
}

// A child that starts a program of its own, which inherits its output (as a shell script's
// programs do), and ends while that program still runs. The program is the child above.
TEST(Win32ChildrenHelper, Leaver) {
  if (variable(kRole) != L"leaver") GTEST_SKIP() << "only run as the child of the test below";
  SetEnvironmentVariableW(kRole, L"child");
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command_line = L"\"" + std::wstring(self) + L"\" --gtest_filter=Win32ChildrenHelper.Child";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION left{};
  ASSERT_TRUE(CreateProcessW(self, command_line.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr, nullptr, &si, &left));
  CloseHandle(left.hThread);
  CloseHandle(left.hProcess);
  // Ends once the program it leaves has told its id.
  const std::wstring pid_file = variable(kPidFile);
  for (int i = 0; i < 600 && GetFileAttributesW(pid_file.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(50);
}

TEST(Win32Children, WhatAChildLeavesRunningNeitherHoldsUpTheWaitNorOutlivesIt) {
  platform_test::ScratchDir dir;
  const std::string pid_file = dir.file("left.pid");
  SetEnvironmentVariableW(kRole, L"leaver");
  SetEnvironmentVariableW(kPidFile, platform_test::utf8_path(pid_file).wstring().c_str());
  platform::ChildProcesses children;
  std::string error;
  const bool started =
      children.start(platform::program_path(), {"--gtest_filter=Win32ChildrenHelper.Leaver"}, error);
  SetEnvironmentVariableW(kRole, nullptr);
  SetEnvironmentVariableW(kPidFile, nullptr);
  ASSERT_TRUE(started) << error;

  std::mutex mu;
  std::condition_variable cv;
  bool done = false;
  std::thread waiter([&] {
    children.wait_all([](size_t, platform::ChildStream, std::string_view) {});
    std::lock_guard lock(mu);
    done = true;
    cv.notify_all();
  });
  bool ended_in_time;
  {
    std::unique_lock lock(mu);
    ended_in_time = cv.wait_for(lock, std::chrono::seconds(30), [&] { return done; });
  }
  const std::string pid = platform_test::read_text(pid_file);
  HANDLE left = pid.empty() ? nullptr : OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, static_cast<DWORD>(std::stoul(pid)));
  if (!ended_in_time && left) TerminateProcess(left, 1);  // lets the wait end, the test failed
  waiter.join();
  EXPECT_TRUE(ended_in_time) << "the wait waited for what the child left running";
  EXPECT_EQ(children.exit_status(0), 0);
  ASSERT_FALSE(pid.empty()) << "the child's program did not start";
  if (left) {
    EXPECT_EQ(WaitForSingleObject(left, 10000), WAIT_OBJECT_0) << "what the child left running outlived the wait";
    CloseHandle(left);
  }
}

TEST(Win32Children, EndWithTheirParentWhenItIsEndedFromOutside) {
  platform_test::ScratchDir dir;
  const std::string pid_file = dir.file("child.pid");
  SetEnvironmentVariableW(kRole, L"parent");
  SetEnvironmentVariableW(kPidFile, platform_test::utf8_path(pid_file).wstring().c_str());
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command_line = L"\"" + std::wstring(self) + L"\" --gtest_filter=Win32ChildrenHelper.Parent";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION parent{};
  const BOOL started = CreateProcessW(self, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &parent);
  SetEnvironmentVariableW(kRole, nullptr);
  SetEnvironmentVariableW(kPidFile, nullptr);
  ASSERT_TRUE(started);
  CloseHandle(parent.hThread);

  // The child is running once it has told its id (within a generous deadline).
  std::string pid;
  for (int i = 0; i < 600 && pid.empty(); ++i) {
    pid = platform_test::read_text(pid_file);
    if (pid.empty()) Sleep(50);
  }
  ASSERT_FALSE(pid.empty()) << "the child did not start";
  HANDLE child = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(std::stoul(pid)));
  ASSERT_NE(child, nullptr);

  TerminateProcess(parent.hProcess, 1);
  WaitForSingleObject(parent.hProcess, INFINITE);
  CloseHandle(parent.hProcess);
  EXPECT_EQ(WaitForSingleObject(child, 30000), WAIT_OBJECT_0) << "the child outlived its parent";
  CloseHandle(child);
}

}  // namespace children_test
