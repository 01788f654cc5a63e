#include <gtest/gtest.h>

#include "tests/units/headless_fixture.h"
#include "units/timer_unit.h"

namespace units::test {
namespace {

constexpr uint32_t kTimer = 0x16010052;

class TimerUnitTest : public HeadlessUnitTest {
 protected:
  std::unique_ptr<forms::Unit> make(std::span<const uint8_t> block = {}) {
    auto u = TimerUnit::create(context(kTimer, block));
    EXPECT_NE(u, nullptr);
    return u;
  }
  void write(forms::Unit& u, int64_t v) { u.set_property(0, {v, {}}); }
  int32_t read(forms::Unit& u) {
    forms::PropertyValue out;
    EXPECT_TRUE(u.get_property(0, out));
    return static_cast<int32_t>(out.integer);
  }
  // Virtual times of the ticks seen so far.
  std::vector<uint32_t> ticks;
  void record_ticks() {
    fake_host().handler = [this](const rt::EventRecord& r) {
      EXPECT_EQ(r.event_index, kEventTick);
      EXPECT_EQ(r.arg_count, 0u);
      ticks.push_back(ui.now());
    };
  }
};

TEST_F(TimerUnitTest, TicksFollowTheVirtualClockAndSameValueKeepsThePhase) {
  auto t = make();
  record_ticks();
  EXPECT_EQ(read(*t), 0);
  ui.run_for(2000);
  EXPECT_TRUE(ticks.empty());  // created stopped

  write(*t, 500);
  ui.run_for(1200);
  EXPECT_EQ(ticks, (std::vector<uint32_t>{2500, 3000}));
  write(*t, 500);  // at 3200: the running period continues
  ui.run_for(400);
  EXPECT_EQ(ticks.back(), 3500u);
  write(*t, 300);  // at 3600: a new value restarts the phase
  ui.run_for(700);
  EXPECT_EQ(ticks, (std::vector<uint32_t>{2500, 3000, 3500, 3900, 4200}));
  EXPECT_EQ(read(*t), 300);

  write(*t, -1);  // same as 0: stops
  EXPECT_EQ(read(*t), 0);
  ui.run_for(2000);
  EXPECT_EQ(ticks.size(), 5u);
  write(*t, 0);  // stopping a stopped timer does nothing
  ui.run_for(1000);
  EXPECT_EQ(ticks.size(), 5u);
  EXPECT_FALSE(t->set_property(1, {5, {}}));  // unknown index: ignored
  forms::PropertyValue out;
  EXPECT_FALSE(t->get_property(1, out));
}

TEST_F(TimerUnitTest, HandlerThatStopsItsOwnTimerMakesAOneShot) {
  auto t = make();
  fake_host().handler = [&](const rt::EventRecord&) {
    write(*t, 0);
    ticks.push_back(ui.now());
  };
  write(*t, 500);
  ui.run_for(100);
  write(*t, 500);  // a received byte re-arming the window does not move the tick
  ui.run_for(3000);
  EXPECT_EQ(ticks, (std::vector<uint32_t>{500}));
}

TEST_F(TimerUnitTest, SavedIntervalStartsAtCreationAndBadBlocksFail) {
  auto saved = save_timer_block(250);
  EXPECT_EQ(saved, (std::vector<uint8_t>{1, 0, 0, 0, 250, 0, 0, 0}));
  auto t = make(saved);
  record_ticks();
  ui.run_for(600);
  EXPECT_EQ(ticks, (std::vector<uint32_t>{250, 500}));
  EXPECT_EQ(t->save_settings(), saved);

  const uint8_t newer[] = {2, 0, 0, 0, 250, 0, 0, 0};
  EXPECT_EQ(TimerUnit::create(context(kTimer + 1, newer)), nullptr);
  EXPECT_EQ(TimerUnit::create(context(kTimer + 1, std::span(saved.data(), 6))), nullptr);
  const uint8_t negative[] = {1, 0, 0, 0, 0xF6, 0xFF, 0xFF, 0xFF};  // stored as read, never runs
  auto n = TimerUnit::create(context(kTimer + 2, negative));
  EXPECT_EQ(read(*n), -10);
  ui.run_for(1000);
  for (const RaisedEvent& e : fake_host().events) EXPECT_EQ(e.unit_id, kTimer);
}

TEST_F(TimerUnitTest, DestroyingTheWindowStopsTicksAndReportsTheUnitOnce) {
  auto t = make();
  record_ticks();
  write(*t, 100);
  ui.run_for(250);
  ui.destroy(frame);  // the form goes, and the unit's window with it
  EXPECT_EQ(fake_host().destroyed, (std::vector<std::pair<uint32_t, uint32_t>>{{kForm, kTimer}}));
  EXPECT_EQ(t->window(), 0u);
  ui.run_for(1000);
  EXPECT_EQ(ticks.size(), 2u);
  write(*t, 300);  // a late write to a unit without window is harmless
  t.reset();
  EXPECT_EQ(fake_host().destroyed.size(), 1u);
}

}  // namespace
}  // namespace units::test
