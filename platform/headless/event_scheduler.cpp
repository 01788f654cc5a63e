#include "platform/headless/event_scheduler.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

#include "platform/headless/device_line.h"

namespace platform::headless::detail {

namespace {
// A worker that never parks would stall the clock forever; fail the test instead of hanging.
constexpr auto kBusyLimit = std::chrono::seconds(20);
}  // namespace

EventScheduler::EventScheduler(Clock clock)
    : real_time_(clock == Clock::Real), epoch_(std::chrono::steady_clock::now()) {}

uint64_t EventScheduler::real_now_us() const {
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - epoch_).count());
}

void EventScheduler::sleep_until(MutexLock& lock, uint64_t target_us) {
  if (target_us == kNever) {
    lock.wait(ui_cv_);
    return;
  }
  const uint64_t now = real_now_us();
  if (target_us > now) lock.wait_for(ui_cv_, std::chrono::microseconds(target_us - now));
}

// Taking `mu` before waking makes sure a UI thread that has just found nothing queued is
// asleep (or about to see the item) by then.
void EventScheduler::wake_ui() {
  { MutexLock lock(mu); }
  ui_cv_.notify_all();
}

void EventScheduler::post(Ready item) {
  ready_.push(std::move(item));
  wake_ui();
}

void EventScheduler::post_quit(int code) {
  quit_.request(code);
  wake_ui();
}

void EventScheduler::schedule_action(uint64_t due_us, std::function<void()> action) {
  {
    MutexLock lock(mu);
    if (due_us <= now_us()) {
      ready_.push(Ready{Ready::Kind::Action, 0, 0, 0, 0, std::move(action)});
    } else {
      Scheduled item;
      item.action = std::move(action);
      scheduled_.emplace(due_us, std::move(item));
    }
  }
  ui_cv_.notify_all();  // another thread may schedule for a UI thread asleep on the real clock
}

void EventScheduler::schedule_locked(uint64_t due_us, Scheduled item) {
  scheduled_.emplace(std::max(due_us, now_us()), std::move(item));
}

void EventScheduler::set_timer(Handle window, uint32_t id, uint64_t period_us) {
  MutexLock lock(mu);
  Timer& timer = timers_[{window, id}];
  timer.period_us = std::max<uint64_t>(period_us, 1000);  // a zero period would never let time pass
  timer.next_due_us = now_us() + timer.period_us;
  timer.pending = false;
  ++timer.serial;
}

void EventScheduler::kill_timer(Handle window, uint32_t id) {
  MutexLock lock(mu);
  timers_.erase({window, id});
}

void EventScheduler::kill_window_timers(Handle window) {
  MutexLock lock(mu);
  auto it = timers_.lower_bound({window, 0});
  while (it != timers_.end() && it->first.first == window) it = timers_.erase(it);
}

bool EventScheduler::take_timer_expiry(Handle window, uint32_t id, uintptr_t serial) {
  MutexLock lock(mu);
  auto it = timers_.find({window, id});
  if (it == timers_.end() || !it->second.pending || it->second.serial != serial) return false;
  it->second.pending = false;
  return true;
}

bool EventScheduler::path_open(const std::string& path) const {
  MutexLock lock(mu);
  return std::any_of(devices_.begin(), devices_.end(), [&](const auto& d) { return d->path == path; });
}

void EventScheduler::add_device(const std::shared_ptr<DeviceLine>& line) {
  MutexLock lock(mu);
  devices_.push_back(line);
}

void EventScheduler::remove_device(const std::shared_ptr<DeviceLine>& line) {
  {
    MutexLock lock(mu);
    holding(*this, *line);
    line->open = false;
    std::erase(devices_, line);
    std::erase_if(scheduled_, [&](const auto& entry) { return entry.second.device == line; });
  }
  ui_cv_.notify_all();
}

bool EventScheduler::any_device_busy() const {
  for (const auto& d : devices_) {
    holding(*this, *d);
    if (d->busy()) return true;
  }
  return false;
}

void EventScheduler::wait_for_idle_devices(MutexLock& lock) {
  const auto start = std::chrono::steady_clock::now();
  while (ready_.empty() && any_device_busy()) {
    lock.wait_for(ui_cv_, std::chrono::milliseconds(100));
    if (std::chrono::steady_clock::now() - start > kBusyLimit)
      throw std::logic_error("headless: a serial device stayed busy (is its worker waiting for events?)");
  }
}

uint64_t EventScheduler::next_due_us() const {
  uint64_t next = scheduled_.empty() ? kNever : scheduled_.begin()->first;
  for (const auto& [key, timer] : timers_) next = std::min(next, timer.next_due_us);
  return next;
}

bool EventScheduler::wait_until(uint64_t deadline) {
  MutexLock lock(mu);
  const bool forever = deadline == kNever;
  for (;;) {
    if (!ready_.empty()) return true;
    // An endless wait ends for the quit request, as a message loop's would.
    if (forever && quit_.requested()) return true;
    if (any_device_busy()) {
      wait_for_idle_devices(lock);
      continue;
    }
    const uint64_t next = next_due_us();
    if (next == kNever && forever && !real_time_)
      throw std::logic_error("headless: waiting forever with nothing scheduled");
    const uint64_t target = std::min(next, deadline);
    if (real_time_) {
      if (target > now_us()) {
        sleep_until(lock, target);
        continue;
      }
    } else if (target > now_us()) {
      now_us_.store(target, std::memory_order_release);
    }
    if (next > now_us()) return false;
    fire_due();
  }
}

void EventScheduler::fire_due() {
  const uint64_t t = now_us();
  // Re-read the front each time: a peer callback may schedule more work due right now.
  while (!scheduled_.empty() && scheduled_.begin()->first <= t) {
    auto node = scheduled_.extract(scheduled_.begin());
    fire_scheduled(node.mapped());
  }
  fire_timers();
}

void EventScheduler::fire_scheduled(Scheduled& item) {
  if (item.kind == Scheduled::Kind::Action) {
    ready_.push(Ready{Ready::Kind::Action, 0, 0, 0, 0, std::move(item.action)});
    return;
  }
  DeviceLine* line = item.device.get();
  if (!line) return;
  holding(*this, *line);
  const bool live = line->open && !line->gone;
  switch (item.kind) {
    case Scheduled::Kind::Action:
      return;
    case Scheduled::Kind::Byte:
      if (!live) return;
      line->rx.push_back(item.byte);
      if (line->settings.event_char && *line->settings.event_char == item.byte) line->event_bits |= kEvRxFlag;
      break;
    case Scheduled::Kind::LineEvent:
      if (!live) return;
      line->event_bits |= item.bits;
      line->modem = item.status;
      line->errors.overrun |= item.errors.overrun;
      line->errors.parity |= item.errors.parity;
      line->errors.framing |= item.errors.framing;
      break;
    case Scheduled::Kind::HangUp:
      if (!live) return;
      line->gone = true;
      break;
    case Scheduled::Kind::PeerWake: {
      if (!line->open) return;
      // The peer acts through its link, which takes this lock.
      auto keep = item.device;
      MutexUnlock unlocked(mu);
      keep->peer->on_timer(keep->link);
      return;
    }
  }
  line->cv.notify_all();
}

void EventScheduler::fire_timers() {
  const uint64_t t = now_us();
  for (auto& [key, timer] : timers_) {
    if (timer.next_due_us > t) continue;
    if (!timer.pending) {
      timer.pending = true;
      ready_.push(Ready{Ready::Kind::Timer, key.first, key.second, timer.serial, 0, {}});
    }
    const uint64_t periods = (t - timer.next_due_us) / timer.period_us + 1;
    timer.next_due_us += periods * timer.period_us;
  }
}

}  // namespace platform::headless::detail
