// Modem-line changes of a termios device: which counters give which event bits, and that
// the helper thread is started only where the driver counts the lines and always ends
// with its device, leaving no thread and no descriptor behind.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/posix/serial_device.h"
#include "platform/posix/serial_modem_sim.h"
#include "platform/posix/serial_modem_watch.h"
#include "platform/posix/serial_pty.h"
#include "tests/units/process_census.h"

namespace {

using platform::posix::ModemCounts;
using platform::posix::ModemWatch;
using platform::posix::modem_events;

// A thread sanitizer starts a thread of its own with the first thread of the process; one
// started and ended beforehand keeps that out of the counts.
void settle_threads() { std::thread([] {}).join(); }

TEST(ModemEvents, EachMovedCounterGivesItsBit) {
  const ModemCounts base{5, 6, 7, 8};
  EXPECT_EQ(modem_events(base, base), 0u);
  EXPECT_EQ(modem_events(base, {6, 6, 7, 8}), platform::kEvCts);
  EXPECT_EQ(modem_events(base, {5, 7, 7, 8}), platform::kEvDsr);
  EXPECT_EQ(modem_events(base, {5, 6, 8, 8}), platform::kEvRlsd);
  EXPECT_EQ(modem_events(base, {5, 6, 7, 9}), platform::kEvRing);
  // Several edges between two looks are one event per line; so is a counter that wrapped.
  EXPECT_EQ(modem_events(base, {9, 6, 7, 11}), platform::kEvCts | platform::kEvRing);
  EXPECT_EQ(modem_events({0xFFFFFFFFu, 0, 0, 0}, {0, 0, 0, 0}), platform::kEvCts);
  EXPECT_EQ(modem_events({0, 0, 0, 0}, {1, 1, 1, 1}),
            platform::kEvCts | platform::kEvDsr | platform::kEvRlsd | platform::kEvRing);
}

class ModemWatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(lines.valid());
    settle_threads();
  }
  std::unique_ptr<ModemWatch> start() {
    return ModemWatch::start(lines.device_fd(), [this] {
      std::lock_guard lock(mutex);
      ++notified;
      cv.notify_all();
    }, lines);
  }
  // Waits (at most 5 s) until the helper has notified `count` times in all.
  bool notified_times(int count) {
    std::unique_lock lock(mutex);
    return cv.wait_for(lock, std::chrono::seconds(5), [&] { return notified >= count; });
  }
  platform::posix::SimulatedModemLines lines;
  std::mutex mutex;
  std::condition_variable cv;
  int notified = 0;
};

TEST_F(ModemWatchTest, ReportsMovedLinesAndEndsWithItsDevice) {
  const census::Ids threads_before = census::threads(), fds_before = census::descriptors();
  auto watch = start();
  ASSERT_NE(watch, nullptr);
  EXPECT_EQ(census::added(threads_before, census::threads()).size(), 1u);

  lines.change({1, 0, 0, 1});
  ASSERT_TRUE(notified_times(1));
  EXPECT_EQ(watch->take_events(), platform::kEvCts | platform::kEvRing);
  EXPECT_EQ(watch->take_events(), 0u);

  // A wake-up with nothing moved notifies nobody; the next real change is reported alone.
  lines.change({1, 0, 0, 1});
  lines.change({1, 1, 1, 1});
  ASSERT_TRUE(notified_times(2));
  EXPECT_EQ(watch->take_events(), platform::kEvDsr | platform::kEvRlsd);

  watch.reset();  // the helper is asleep in its wait here
  EXPECT_EQ(census::extra_threads(threads_before), census::Ids{});
  EXPECT_EQ(census::extra_descriptors(fds_before), census::Ids{});
  EXPECT_EQ(notified, 2);
}

TEST_F(ModemWatchTest, StopsWhereverTheHelperIs) {
  // Stopping right after the start meets the helper before, in or after its wait.
  const census::Ids threads_before = census::threads(), fds_before = census::descriptors();
  for (int i = 0; i < 300; ++i) {
    auto watch = start();
    ASSERT_NE(watch, nullptr);
    if (i % 3 == 1) lines.change({uint32_t(i), 0, 0, 0});
  }
  EXPECT_EQ(census::extra_threads(threads_before), census::Ids{});
  EXPECT_EQ(census::extra_descriptors(fds_before), census::Ids{});
}

TEST_F(ModemWatchTest, DriverWithoutCountersGetsNoHelper) {
  lines.set_counting(false);
  const census::Ids threads_before = census::threads(), fds_before = census::descriptors();
  EXPECT_EQ(start(), nullptr);
  EXPECT_EQ(census::extra_threads(threads_before), census::Ids{});
  EXPECT_EQ(census::extra_descriptors(fds_before), census::Ids{});
}

TEST(PtyModemLines, NoHelperAndNothingLeftAfterOpenCloseCycles) {
  platform::posix::PseudoTerminal pty;
  ASSERT_TRUE(pty.valid());
  settle_threads();
  const census::Ids threads_before = census::threads(), fds_before = census::descriptors();
  for (int i = 0; i < 50; ++i) {
    platform::SerialError error{};
    auto device = platform::posix::open_serial_device(pty.slave_path(), error);
    ASSERT_NE(device, nullptr) << platform::describe(error);
    ASSERT_EQ(device->configure({}), platform::SerialError::None);
    // A pseudo-terminal has no modem lines to watch.
    EXPECT_EQ(census::extra_threads(threads_before), census::Ids{});
    const platform::ModemStatus status = device->modem_status();
    EXPECT_FALSE(status.cts || status.dsr || status.ring || status.rlsd);
    // The wake-up and input still arrive as before.
    device->wake();
    EXPECT_EQ(device->wait_event(), 0u);
    ASSERT_TRUE(pty.write("x"));
    EXPECT_EQ(device->wait_event(), platform::kEvRxChar);
  }
  EXPECT_EQ(census::extra_threads(threads_before), census::Ids{});
  EXPECT_EQ(census::extra_descriptors(fds_before), census::Ids{});
}

}  // namespace
