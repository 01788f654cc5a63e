#include "units/timer_unit.h"

#include <algorithm>
#include <limits>

#include "platform/backend.h"
#include "units/hidden_window.h"
#include "units/settings_block.h"

namespace units {

bool load_timer_block(std::span<const uint8_t> block, int32_t& interval) {
  interval = 0;
  if (block.empty()) return true;
  BlockReader r(block);
  uint32_t version = 0;
  return r.read_u32(version) && version <= 1 && r.read_i32(interval);
}

std::vector<uint8_t> save_timer_block(int32_t interval) {
  BlockWriter w;
  w.u32(1);
  w.i32(interval);
  return w.take();
}

TimerUnit::TimerUnit(const forms::CreateContext& c, int32_t interval)
    : forms::Unit(c), interval_(interval), design_mode_(c.design_mode) {}

std::unique_ptr<forms::Unit> TimerUnit::create(const forms::CreateContext& context) {
  int32_t interval = 0;
  if (!load_timer_block(context.type_data, interval)) return nullptr;
  std::unique_ptr<TimerUnit> unit(new TimerUnit(context, interval));
  unit->window_ = create_hidden_window(context);
  if (!unit->window_) return nullptr;
  rt::route_window(unit->window_, unit.get());
  // A saved positive interval starts the timer at once (the stored value may be negative:
  // it is kept as read, and only a positive one runs).
  if (unit->interval_ > 0 && !unit->design_mode_) {
    platform::backend().set_timer(unit->window_, kTimerId, static_cast<uint32_t>(unit->interval_));
    unit->running_ = true;
  }
  return unit;
}

TimerUnit::~TimerUnit() {
  const platform::Handle h = window_;
  window_ = 0;  // so the destruction below is not taken for a report of our own
  if (h) {
    rt::unroute_window(h);
    if (running_) platform::backend().kill_timer(h, kTimerId);
    if (platform::backend().exists(h)) platform::backend().destroy(h);
  }
}

bool TimerUnit::get_property(int own_index, forms::PropertyValue& out) {
  if (own_index != 0) return false;
  out = {};
  out.integer = interval_;
  return true;
}

bool TimerUnit::set_property(int own_index, const forms::PropertyValue& value) {
  if (own_index == 0) {
    set_interval(static_cast<int32_t>(std::clamp<int64_t>(value.integer, 0, std::numeric_limits<int32_t>::max())));
  }
  return false;  // the form needs no re-layout
}

// The same value leaves a running period alone (the receive window of the link depends on
// it); a different one restarts the phase; 0 stops.
void TimerUnit::set_interval(int32_t value) {
  if (value == interval_) return;
  interval_ = value;
  if (design_mode_ || !window_) return;
  if (running_) platform::backend().kill_timer(window_, kTimerId);
  running_ = value > 0;
  if (running_) platform::backend().set_timer(window_, kTimerId, static_cast<uint32_t>(value));
}

void TimerUnit::on_timer(uint32_t) { raise(kEventTick); }

void TimerUnit::on_notify(platform::Notify what) {
  if (what != platform::Notify::Destroyed || !window_) return;
  // The backend drops a destroyed window's timers with it.
  rt::unroute_window(window_);
  window_ = 0;
  running_ = false;
  report_destroyed();  // last: the unit model may delete this unit now
}

}  // namespace units
