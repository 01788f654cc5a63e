#include <gtest/gtest.h>

#include <memory>

#include "platform/headless/headless_backend.h"
#include "runtime/library/commands.h"
#include "runtime/runtime_app.h"
#include "tests/library/library_test_support.h"

using namespace lib_test;
using platform::headless::HeadlessBackend;

namespace {

// Counts timer ticks and the virtual time each arrived at.
struct TickSink final : platform::WindowSink {
  HeadlessBackend* backend = nullptr;
  std::vector<uint32_t> ticks;
  void on_notify(platform::Handle, platform::Notify) override {}
  bool on_key(platform::Handle, platform::KeyPress) override { return false; }
  bool on_char(platform::Handle, uint32_t) override { return true; }
  void on_timer(platform::Handle, uint32_t) override { ticks.push_back(backend->now()); }
  void on_posted(platform::Handle, uint32_t, uintptr_t, intptr_t) override {}
};

class Delay : public ::testing::TestWithParam<uint32_t> {
 protected:
  void SetUp() override {
    backend_ = std::make_unique<HeadlessBackend>(GetParam());
    platform::set_backend(backend_.get());
    rt::reset_runtime_for_tests();
    sink_.backend = backend_.get();
    backend_->set_sink(&sink_);
    platform::CreateParams p;
    p.kind = platform::WidgetKind::Frame;
    window_ = backend_->create(p);
  }
  void TearDown() override {
    rt::reset_runtime_for_tests();
    platform::set_backend(nullptr);
  }
  void delay(int32_t ms) { call(rt::cmd_delay, {integer(ms)}); }

  std::unique_ptr<HeadlessBackend> backend_;
  TickSink sink_;
  platform::Handle window_ = 0;
};

TEST_P(Delay, NothingForZeroOrLess) {
  backend_->set_timer(window_, 1, 1);
  delay(0);
  delay(-5);
  EXPECT_EQ(backend_->now(), 0u);
}

TEST_P(Delay, WaitsItsTimeAndDispatchesTicksMeanwhile) {
  backend_->set_timer(window_, 1, 30);
  const uint32_t before = backend_->tick_count();
  delay(100);
  EXPECT_GE(backend_->tick_count() - before, 100u);  // also across the counter's wrap
  EXPECT_LE(backend_->now(), 131u);
  EXPECT_GE(sink_.ticks.size(), 3u);
}

TEST_P(Delay, LeavesAQuitRequestQueuedAndStillWaits) {
  backend_->post_quit(0);
  delay(50);
  EXPECT_GE(backend_->now(), 50u);
  EXPECT_TRUE(backend_->quit_requested());
}

TEST_P(Delay, TheLongestWaitStillEndsOnItsOwnTime) {
  // Nothing else is going on: only the wait's own time-out can end it.
  delay(INT32_MAX);
  EXPECT_GT(backend_->now(), uint32_t{INT32_MAX});
}

// Tick counters that cross zero during the wait.
INSTANTIATE_TEST_SUITE_P(StartTicks, Delay, ::testing::Values(0u, 0xFFFFFFF0u, 0xFFFFFFFFu));

}  // namespace
