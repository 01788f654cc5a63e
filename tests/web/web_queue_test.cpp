// The page's backend hands out what fell due in the order it did: a timer due while the
// program was busy is delivered at its next dispatch, though the page had no moment to run
// the timer's own wake-up; the program's waits end on the page's clock.
#include <gtest/gtest.h>

#include "platform/web/web_backend.h"
#include "tests/platform/headless_recording_sink.h"

namespace {

using platform::CreateParams;
using platform::WidgetKind;

class WebQueue : public ::testing::Test {
 protected:
  void SetUp() override {
    backend.set_sink(&sink);
    CreateParams p;
    p.kind = WidgetKind::Frame;
    frame = backend.create(p);
    p.kind = WidgetKind::Hidden;
    p.parent = frame;
    hidden = backend.create(p);
  }
  void TearDown() override {
    backend.destroy(frame);
    backend.set_sink(nullptr);
  }
  // Runs without giving the page a moment, for `ms` of the page's clock.
  void busy(uint32_t ms) {
    const uint32_t start = backend.tick_count();
    while (backend.tick_count() - start < ms) {
    }
  }
  std::vector<std::string> ticks() const {
    std::vector<std::string> out;
    for (const auto& line : sink.log)
      if (line.rfind("Timer", 0) == 0) out.push_back(line);
    return out;
  }

  platform::web::WebBackend backend;
  headless_test::RecordingSink sink;
  platform::Handle frame = 0, hidden = 0;
};

TEST_F(WebQueue, ATimerDueWhileTheProgramWasBusyIsDeliveredAtTheNextDispatchOnce) {
  backend.set_timer(hidden, 7, 30);
  busy(45);  // one period passed, the page ran nothing
  EXPECT_TRUE(backend.wait(0));  // something is ready: the due timer
  backend.process_pending();
  EXPECT_EQ(ticks(), (std::vector<std::string>{"Timer " + std::to_string(hidden) + "/7"}));
  backend.process_pending();  // its own wake-up, when it comes, does not tick it again
  EXPECT_EQ(ticks().size(), 1u);
  backend.kill_timer(hidden, 7);
  busy(45);
  backend.process_pending();
  EXPECT_EQ(ticks().size(), 1u);  // killed: no more
}

TEST_F(WebQueue, AWaitEndsWhenItsTimeIsUpOrSomethingIsQueued) {
  const uint32_t start = backend.tick_count();
  EXPECT_FALSE(backend.wait(40));
  EXPECT_GE(backend.tick_count() - start, 40u);
  backend.post(hidden, 9, 0, 0);
  EXPECT_TRUE(backend.wait(-1));  // the program's own post: no waiting
  backend.process_pending();
  EXPECT_EQ(sink.log.back(), "Posted " + std::to_string(hidden) + "/9");
}

}  // namespace
