// The headless backend on the real clock, as the console program runs it: timers fire by
// the monotonic clock, and work handed over from another thread wakes a sleeping wait.
// Only orderings and lower bounds are asserted; the machine may be slow.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/headless/headless_backend.h"
#include "tests/platform/headless_recording_sink.h"

using platform::headless::HeadlessBackend;

namespace {

class RealClock : public ::testing::Test {
 protected:
  RealClock() {
    backend.set_sink(&sink);
    platform::CreateParams p;
    p.kind = platform::WidgetKind::Hidden;
    window = backend.create(p);
  }
  HeadlessBackend backend{0, HeadlessBackend::Clock::Real};
  headless_test::RecordingSink sink;
  platform::Handle window = 0;
};

TEST_F(RealClock, TimersTickByTheClockAndTimeOnlyMovesForward) {
  std::vector<uint32_t> ticks;
  sink.on_timer_hook = [&](platform::Handle, uint32_t) { ticks.push_back(backend.now()); };
  const uint32_t start = backend.now();
  backend.set_timer(window, 1, 30);
  backend.run_for(100);
  EXPECT_GE(backend.now() - start, 100u) << "run_for returns only once its time has passed";
  ASSERT_FALSE(ticks.empty());
  EXPECT_GE(ticks.front() - start, 30u) << "no tick before its period";
  for (size_t i = 1; i < ticks.size(); ++i) EXPECT_GE(ticks[i], ticks[i - 1]);
}

TEST_F(RealClock, WorkFromAnotherThreadWakesAWaitWithNothingScheduled) {
  // Nothing is due: on the virtual clock this wait would be an error; here it sleeps until
  // another thread posts, or schedules an action.
  std::thread poster([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    backend.post(window, 0x401, 0, 0);
  });
  EXPECT_TRUE(backend.wait(-1));
  poster.join();
  backend.process_pending();
  EXPECT_EQ(sink.log.back(), "Posted " + std::to_string(window) + "/1025");

  bool ran = false;
  std::thread scheduler([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    backend.schedule(backend.now(), [&] { ran = true; });
  });
  EXPECT_TRUE(backend.wait(60'000)) << "the action was handed over without waking the UI thread";
  scheduler.join();
  backend.process_pending();
  EXPECT_TRUE(ran);
}

}  // namespace
