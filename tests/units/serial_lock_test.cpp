// The serial port's UUCP lock files on real pseudo-terminals: our lock while the port is
// open, gone after a close and after an unplug; a port another live process holds is
// refused with that process in the reason; a lock whose process is gone (killed, say) is
// removed by the next open. The lock folder is a scratch folder (DTU_SETUP_LOCK_DIR).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/gbk_codec.h"
#include "platform/posix/serial_device.h"
#include "platform/posix/serial_lock.h"
#include "platform/posix/serial_pty.h"
#include "platform/process.h"
#include "runtime/library/failure_reason.h"
#include "tests/platform/scratch_dir.h"
#include "tests/units/serial_port_test_support.h"

namespace units::test {
namespace {

namespace fs = std::filesystem;
using platform::posix::PseudoTerminal;

std::string ten_character_pid(int64_t pid) {
  char text[16];
  std::snprintf(text, sizeof text, "%10lld\n", static_cast<long long>(pid));
  return text;
}

template <class Pred>
bool wait_until(Pred done, int ms = 10000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

class SerialLockTest : public SerialUnitTest {
 protected:
  void SetUp() override {
    SerialUnitTest::SetUp();
    ASSERT_TRUE(pty.valid());
    setenv("DTU_SETUP_LOCK_DIR", locks.path().c_str(), 1);
    set_device_opener(platform::posix::open_serial_device);
    // The port names the terminal through a link: the lock is the device's all the same.
    fs::create_symlink(pty.slave_path(), links.file("dtu"));
    setenv("DTU_SETUP_COM2", links.file("dtu").c_str(), 1);
    make(2);
    lock_file = platform::posix::lock_file_of(pty.slave_path());
  }
  void TearDown() override {
    SerialUnitTest::TearDown();
    unsetenv("DTU_SETUP_LOCK_DIR");
  }
  std::string lock_text() { return platform_test::read_text(lock_file); }
  // The reason the window would show for the last failed open, in UTF-8.
  std::string reason() { return platform::gbk_to_utf8_lossy(rt::failure_reason()); }

  platform_test::ScratchDir locks, links;
  PseudoTerminal pty;
  std::string lock_file;
};

TEST_F(SerialLockTest, OurLockLivesWhileThePortIsOpen) {
  // /dev/pts/N is LCK..pts_N, whichever link names it.
  EXPECT_EQ(lock_file, locks.file("LCK..pts_" + pty.slave_path().substr(9)));
  EXPECT_EQ(platform::posix::lock_file_of(links.file("dtu")), lock_file);
  ASSERT_TRUE(open_port());
  EXPECT_EQ(lock_text(), ten_character_pid(::getpid()));
  EXPECT_EQ(fs::status(lock_file).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
  ASSERT_TRUE(open_port()) << "reopening closes first, so our own lock is no obstacle";
  close_port();
  EXPECT_FALSE(fs::exists(lock_file));
  EXPECT_EQ(std::distance(fs::directory_iterator(locks.path()), fs::directory_iterator{}), 0)
      << "no temporary left in the lock folder";
}

TEST_F(SerialLockTest, UnplugReleasesTheLock) {
  ASSERT_TRUE(open_port());
  ASSERT_TRUE(fs::exists(lock_file));
  pty.close();
  ASSERT_TRUE(wait_until([&] {
    ui.process_pending();
    return !line_kinds().empty();
  }));
  EXPECT_FALSE(fs::exists(lock_file));
  close_port();
}

TEST_F(SerialLockTest, StaleAndForeignLocks) {
  // A lock whose process is gone, and one that holds no process id, are stale.
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ::waitpid(gone, nullptr, 0);
  for (const std::string& stale : {ten_character_pid(gone), std::string("garbage\n")}) {
    platform_test::write_text(lock_file, stale);
    ASSERT_TRUE(open_port()) << stale;
    EXPECT_EQ(lock_text(), ten_character_pid(::getpid()));
    close_port();
  }
  // A live process's lock, in the binary form of old programs too, refuses the port unopened.
  const int32_t init = 1;
  for (const std::string& live : {ten_character_pid(1), std::string(reinterpret_cast<const char*>(&init), 4)}) {
    platform_test::write_text(lock_file, live);
    EXPECT_FALSE(open_port());
    EXPECT_EQ(port().open_failure().error, platform::SerialError::Busy);
    EXPECT_NE(reason().find("COM2 (" + links.file("dtu") + ") 被其他程序占用 (PID 1"), std::string::npos) << reason();
    EXPECT_EQ(lock_text(), live) << "a live lock is never touched";
  }
  fs::remove(lock_file);
  EXPECT_TRUE(open_port());
  EXPECT_EQ(rt::failure_reason(), "") << "an open clears the reason";
}

TEST_F(SerialLockTest, ALockFolderWeMayNotWriteLeavesThePortUnlocked) {
  setenv("DTU_SETUP_LOCK_DIR", locks.file("missing").c_str(), 1);
  ASSERT_TRUE(open_port());
  platform::SerialError error = platform::SerialError::None;
  EXPECT_EQ(platform::posix::open_serial_device(pty.slave_path(), error), nullptr) << "still exclusive";
  EXPECT_EQ(error, platform::SerialError::Busy);
}

// Run by the test below in a process of its own: holds the port until it is killed.
TEST(SerialLockChild, HoldsThePortUntilKilled) {
  const auto device = platform::environment("DTU_LOCK_CHILD_DEVICE");
  const auto ready = platform::environment("DTU_LOCK_CHILD_READY");
  if (!device || !ready) GTEST_SKIP() << "only run as a child process";
  platform::SerialError error = platform::SerialError::None;
  auto held = platform::posix::open_serial_device(*device, error);
  ASSERT_NE(held, nullptr);
  platform_test::write_text(*ready, "");
  ::pause();
}

TEST_F(SerialLockTest, AHolderThatIsKilledLeavesAStaleLockTheNextOpenRemoves) {
  const std::string self = platform::program_path(), ready = links.file("ready");
  const pid_t holder = ::fork();
  if (holder == 0) {
    setenv("DTU_LOCK_CHILD_DEVICE", pty.slave_path().c_str(), 1);
    setenv("DTU_LOCK_CHILD_READY", ready.c_str(), 1);
    ::execl(self.c_str(), self.c_str(), "--gtest_filter=SerialLockChild.*", "--gtest_brief=1", nullptr);
    ::_exit(127);
  }
  ASSERT_GT(holder, 0);
  const bool started = wait_until([&] { return fs::exists(ready); });
  if (started) {
    EXPECT_EQ(lock_text(), ten_character_pid(holder));
    EXPECT_FALSE(open_port());
    const std::string name = platform::posix::process_name(holder);
    EXPECT_FALSE(name.empty());
    EXPECT_NE(reason().find("被其他程序占用 (PID " + std::to_string(holder) + " " + name + ")"), std::string::npos)
        << reason();
  }
  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
  ASSERT_TRUE(started) << "the holding process never opened the port";
  EXPECT_EQ(lock_text(), ten_character_pid(holder)) << "a killed holder leaves its lock";
  ASSERT_TRUE(open_port());
  EXPECT_EQ(lock_text(), ten_character_pid(::getpid()));
}

}  // namespace
}  // namespace units::test
