// Virtual time, the queue and timers of the headless backend.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/headless/headless_backend.h"
#include "tests/platform/headless_recording_sink.h"

using platform::CreateParams;
using platform::Handle;
using platform::WidgetKind;
using platform::headless::HeadlessBackend;

namespace {

class HeadlessClock : public ::testing::Test {
 protected:
  HeadlessClock() {
    backend.set_sink(&sink);
    CreateParams p;
    p.kind = WidgetKind::Hidden;
    window = backend.create(p);
  }
  HeadlessBackend backend;
  headless_test::RecordingSink sink;
  Handle window = 0;
  std::string w() const { return std::to_string(window); }
};

TEST_F(HeadlessClock, LongWaitJumpsAheadWhileDispatchingInOrder) {
  std::vector<std::string> at;
  backend.set_timer(window, 7, 5000);
  backend.schedule(12'000, [&] { at.push_back("action@" + std::to_string(backend.now())); });
  backend.post(window, 0x401, 0, 0);
  sink.on_timer_hook = [&](Handle, uint32_t) { at.push_back("tick@" + std::to_string(backend.now())); };

  // A 20 s delay loop as the runtime runs it: dispatch, then wait for what remains.
  const uint32_t end = backend.now() + 20'000;
  while (backend.now() < end) {
    backend.process_pending();
    backend.wait(static_cast<int>(end - backend.now()));
  }
  backend.process_pending();

  EXPECT_EQ(backend.now(), 20'000u);
  EXPECT_EQ(sink.log.front(), "Posted " + w() + "/1025");
  EXPECT_EQ(at, (std::vector<std::string>{"tick@5000", "tick@10000", "action@12000", "tick@15000", "tick@20000"}));
}

TEST_F(HeadlessClock, TimerRestartResetsPhaseAndDropsPendingExpiry) {
  std::vector<uint32_t> times;
  sink.on_timer_hook = [&](Handle, uint32_t) { times.push_back(backend.now()); };
  backend.set_timer(window, 1, 100);
  backend.run_for(250);
  EXPECT_EQ(times, (std::vector<uint32_t>{100, 200}));

  EXPECT_TRUE(backend.wait(-1));  // t=300: the expiry is queued, not yet dispatched
  backend.set_timer(window, 1, 100);  // the restart drops it; the next one is a full period later
  backend.process_pending();
  EXPECT_EQ(times.size(), 2u);
  backend.run_for(250);
  EXPECT_EQ(times, (std::vector<uint32_t>{100, 200, 400, 500}));

  backend.kill_timer(window, 1);
  backend.run_for(1000);
  EXPECT_EQ(times.size(), 4u);
}

TEST_F(HeadlessClock, ExpiriesCoalesceWhileTheQueueIsNotDrained) {
  backend.set_timer(window, 3, 10);
  // Waiting without dispatching: the one expiry waits, later periods do not pile up.
  EXPECT_TRUE(backend.wait(100));
  EXPECT_EQ(backend.now(), 10u);
  EXPECT_TRUE(backend.wait(100));  // still queued: returns at once
  EXPECT_EQ(backend.now(), 10u);
  backend.process_pending();
  EXPECT_EQ(sink.log, (std::vector<std::string>{"Timer " + w() + "/3"}));
}

TEST_F(HeadlessClock, DestroyedWindowLosesItsMessagesAndTimers) {
  backend.set_timer(window, 1, 10);
  backend.post(window, 5, 0, 0);
  backend.destroy(window);
  sink.log.clear();
  backend.process_pending();
  EXPECT_FALSE(backend.wait(1000));
  backend.process_pending();
  EXPECT_TRUE(sink.log.empty());
  EXPECT_EQ(backend.now(), 1000u);
}

TEST_F(HeadlessClock, QuitStaysPendingAndEndsAnEndlessWait) {
  backend.post(window, 9, 0, 0);
  backend.post_quit(3);
  backend.process_pending();
  EXPECT_TRUE(backend.quit_requested());
  EXPECT_EQ(backend.quit_code(), 3);
  EXPECT_EQ(sink.log.size(), 1u);
  EXPECT_TRUE(backend.wait(-1));
  EXPECT_FALSE(backend.wait(50));  // a timed wait still lets time pass
  EXPECT_EQ(backend.now(), 50u);
}

TEST_F(HeadlessClock, EndlessWaitWithNothingScheduledFailsInsteadOfHanging) {
  EXPECT_THROW(backend.wait(-1), std::logic_error);
  backend.schedule(30, [] {});
  EXPECT_TRUE(backend.wait(-1));
  EXPECT_EQ(backend.now(), 30u);
}

TEST(HeadlessTick, TickCounterWrapsFromItsStart) {
  HeadlessBackend backend(0xFFFF'FF00u);
  backend.run_for(0x200);
  EXPECT_EQ(backend.tick_count(), 0x100u);
  EXPECT_EQ(backend.now(), 0x200u);
}

TEST_F(HeadlessClock, SettleRunsWhatIsDueNowWithoutMovingTheClock) {
  int runs = 0;
  backend.schedule(0, [&] {
    ++runs;
    backend.schedule(0, [&] { ++runs; });  // queued while dispatching: still runs
  });
  backend.schedule(1, [&] { ++runs; });
  backend.settle();
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(backend.now(), 0u);
}

}  // namespace
