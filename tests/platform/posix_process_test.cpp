// Process services: COM port device table and its per-port override, own path, directory.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/process.h"
#include "tests/platform/scratch_dir.h"

namespace {

TEST(PosixProcess, PortTableCoversBuiltInUsbAndModemPorts) {
  ::unsetenv("DTU_SETUP_COM1");
  ::unsetenv("DTU_SETUP_COM5");
  EXPECT_EQ(platform::serial_device_path(1), "/dev/ttyS0");
  EXPECT_EQ(platform::serial_device_path(4), "/dev/ttyS3");
  EXPECT_EQ(platform::serial_device_path(5), "/dev/ttyUSB0");
  EXPECT_EQ(platform::serial_device_path(12), "/dev/ttyUSB7");
  EXPECT_EQ(platform::serial_device_path(13), "/dev/ttyACM0");
  EXPECT_EQ(platform::serial_device_path(15), "/dev/ttyACM2");
  EXPECT_EQ(platform::serial_device_path(16), "/dev/ttyCOM16");
  EXPECT_EQ(platform::serial_device_path(0), "/dev/ttyCOM0");
  EXPECT_EQ(platform::serial_device_path(-3), "/dev/ttyCOM-3");
}

TEST(PosixProcess, EnvironmentOverridesOnePortWhenNotEmpty) {
  ::setenv("DTU_SETUP_COM5", "/dev/pts/7", 1);
  ::setenv("DTU_SETUP_COM1", "", 1);
  EXPECT_EQ(platform::serial_device_path(5), "/dev/pts/7");
  EXPECT_EQ(platform::serial_device_path(6), "/dev/ttyUSB1");
  EXPECT_EQ(platform::serial_device_path(1), "/dev/ttyS0");
  EXPECT_EQ(platform::environment("DTU_SETUP_COM1"), std::optional<std::string>(""));
  ::unsetenv("DTU_SETUP_COM5");
  ::unsetenv("DTU_SETUP_COM1");
  EXPECT_EQ(platform::environment("DTU_SETUP_COM1"), std::nullopt);
}

TEST(PosixProcess, ProgramPathAndCurrentDirectory) {
  const std::string self = platform::program_path();
  EXPECT_EQ(std::filesystem::path(self).filename(), "posix_process_test");
  const std::string before = platform::current_directory();
  platform_test::ScratchDir dir;
  ASSERT_TRUE(platform::set_current_directory(dir.path().string()));
  EXPECT_EQ(std::filesystem::canonical(platform::current_directory()), std::filesystem::canonical(dir.path()));
  EXPECT_FALSE(platform::set_current_directory(dir.file("missing")));
  EXPECT_FALSE(platform::set_current_directory(""));
  ASSERT_TRUE(platform::set_current_directory(before));
}

}  // namespace
