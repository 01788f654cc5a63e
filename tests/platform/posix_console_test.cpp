// What the console program needs of the system: child processes with both output streams
// read line by line and their statuses, stopping them, and probing serial devices.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <vector>

#include "platform/child_processes.h"
#include "platform/posix/serial_device.h"
#include "platform/posix/serial_pty.h"
#include "platform/serial_probe.h"
#include "tests/platform/scratch_dir.h"

namespace {

using platform::ChildStream;

struct Collected {
  std::vector<std::string> out[2];  // per child
  std::vector<std::string> err[2];
};

TEST(PosixChildProcesses, LinesOfBothStreamsAndEachStatusInOrder) {
  platform::ChildProcesses children;
  std::string error;
  ASSERT_TRUE(children.start("/bin/sh", {"-c", "echo one; echo two >&2; printf 'no newline'; exit 3"}, error)) << error;
  ASSERT_TRUE(children.start("/bin/sh", {"-c", "read line; echo \"[$line]\"; kill -TERM $$"}, error)) << error;
  EXPECT_FALSE(children.start("/nonexistent/program", {}, error));
  EXPECT_FALSE(error.empty());
  ASSERT_EQ(children.size(), 2u);
  Collected c;
  children.wait_all([&](size_t child, ChildStream stream, std::string_view line) {
    (stream == ChildStream::Out ? c.out : c.err)[child].emplace_back(line);
  });
  EXPECT_EQ(c.out[0], (std::vector<std::string>{"one", "no newline"}));
  EXPECT_EQ(c.err[0], (std::vector<std::string>{"two"}));
  EXPECT_EQ(children.exit_status(0), 3);
  EXPECT_EQ(c.out[1], (std::vector<std::string>{"[]"})) << "standard input is empty";
  EXPECT_EQ(children.exit_status(1), 128 + 15);
}

TEST(PosixChildProcesses, StopReachesTheOneChildAsked) {
  platform::ChildProcesses children;
  std::string error;
  // The first reports the interrupt it gets; the second ends by itself at once.
  ASSERT_TRUE(children.start("/bin/sh", {"-c", "trap 'echo got INT; exit 7' INT; echo ready; while :; do sleep 0.05; done"},
                             error));
  ASSERT_TRUE(children.start("/bin/sh", {"-c", "exit 0"}, error));
  std::vector<std::string> lines;
  children.wait_all([&](size_t child, ChildStream, std::string_view line) {
    lines.emplace_back(line);
    if (child == 0 && line == "ready") children.stop(0, platform::ChildStop::Interrupt);
  });
  EXPECT_EQ(lines, (std::vector<std::string>{"ready", "got INT"}));
  children.stop_all(platform::ChildStop::Terminate);  // all have ended: nobody is signalled
  EXPECT_EQ(children.exit_status(0), 7);
  EXPECT_EQ(children.exit_status(1), 0);
}

TEST(PosixSerialProbe, MissingUsableAndHeldDevices) {
  platform_test::ScratchDir dir;
  const platform::SerialProbe missing = platform::probe_serial_device(dir.file("ttyNone"));
  EXPECT_FALSE(missing.exists);

  platform::posix::PseudoTerminal pty;
  ASSERT_TRUE(pty.valid());
  const platform::SerialProbe free = platform::probe_serial_device(pty.slave_path());
  EXPECT_TRUE(free.exists);
  EXPECT_EQ(free.error, platform::SerialError::None);

  platform::SerialError error{};
  auto held = platform::posix::open_serial_device(pty.slave_path(), error);
  ASSERT_TRUE(held);
  EXPECT_EQ(platform::probe_serial_device(pty.slave_path()).error, platform::SerialError::Busy);
  held.reset();
  EXPECT_EQ(platform::probe_serial_device(pty.slave_path()).error, platform::SerialError::None)
      << "probing leaves no trace: the device can be opened again";
}

TEST(PosixSerialProbe, NoPermissionNamesTheGroup) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may open anything";
  platform_test::ScratchDir dir;
  const std::string path = dir.file("ttyLocked");
  std::ofstream(path) << "";
  std::filesystem::permissions(path, std::filesystem::perms::none);
  const platform::SerialProbe probe = platform::probe_serial_device(path);
  EXPECT_TRUE(probe.exists);
  EXPECT_EQ(probe.error, platform::SerialError::Permission);
  EXPECT_FALSE(probe.group.empty());
}

}  // namespace
