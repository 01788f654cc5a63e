// Process services on Windows: own path and current directory with '/' separators and any
// script, the environment, the COM device names, the tick counter.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/process.h"
#include "platform/win32/process_services.h"
#include "tests/platform/scratch_dir.h"

namespace {

namespace fs = std::filesystem;

TEST(Win32Process, ProgramPathAndCurrentDirectoryUseForwardSlashes) {
  const std::string self = platform::program_path();
  EXPECT_EQ(self.find('\\'), std::string::npos) << self;
  EXPECT_EQ(platform_test::utf8_path(self).filename(), "win32_platform_test.exe");
  EXPECT_TRUE(fs::exists(platform_test::utf8_path(self)));

  const std::string before = platform::current_directory();
  platform_test::ScratchDir dir;
  const std::string chinese = dir.file("程序目录");
  fs::create_directory(platform_test::utf8_path(chinese));
  ASSERT_TRUE(platform::set_current_directory(chinese));
  EXPECT_EQ(fs::canonical(platform_test::utf8_path(platform::current_directory())),
            fs::canonical(platform_test::utf8_path(chinese)));
  EXPECT_FALSE(platform::set_current_directory(dir.file("missing")));
  EXPECT_FALSE(platform::set_current_directory(""));
  // A drive alone is its root, not the drive's last directory.
  ASSERT_TRUE(platform::set_current_directory(before.substr(0, 2)));
  EXPECT_EQ(platform::current_directory(), before.substr(0, 2) + "/");
  ASSERT_TRUE(platform::set_current_directory(before));
}

TEST(Win32Process, EnvironmentIsReadThroughTheWideCalls) {
  SetEnvironmentVariableW(L"DTU_TEST_VALUE", L"端口=COM3");
  EXPECT_EQ(platform::environment("DTU_TEST_VALUE"), std::optional<std::string>("端口=COM3"));
  SetEnvironmentVariableW(L"DTU_TEST_VALUE", L"");
  EXPECT_EQ(platform::environment("DTU_TEST_VALUE"), std::optional<std::string>(""));
  SetEnvironmentVariableW(L"DTU_TEST_VALUE", nullptr);
  EXPECT_EQ(platform::environment("DTU_TEST_VALUE"), std::nullopt);
  EXPECT_EQ(platform::environment(""), std::nullopt);
}

TEST(Win32Process, ComPortsAreTheirDevicesWithNoOverride) {
  SetEnvironmentVariableW(L"DTU_SETUP_COM2", L"\\\\.\\COM9");
  EXPECT_EQ(platform::serial_device_path(2), "\\\\.\\COM2");
  EXPECT_EQ(platform::serial_device_path(12), "\\\\.\\COM12");
  SetEnvironmentVariableW(L"DTU_SETUP_COM2", nullptr);
}

TEST(Win32ProcessDeathTest, ExitEndsTheProcessWithItsCode) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        std::fputs("ending", stderr);
        platform::win32::exit_process(-1);
      },
      ::testing::ExitedWithCode(-1), "ending");
}

TEST(Win32Process, TickCountMovesWithTheClock) {
  // Counted in milliseconds: it moves, and no faster than the clock (beyond its granularity).
  // Under Wine the wineserver refreshes the count, late on a busy machine: waited for.
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  const uint32_t t0 = platform::win32::tick_count();
  uint32_t moved = 0;
  while ((moved = platform::win32::tick_count() - t0) < 10 && Clock::now() - start < std::chrono::seconds(10)) Sleep(5);
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  EXPECT_GE(moved, 10u);
  EXPECT_LE(moved, elapsed + 50);
}

}  // namespace
