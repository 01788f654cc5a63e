// The UI thread's message queue and the virtual clock, shared by the headless backend and
// its in-memory serial devices (which may outlive it). Posting is allowed from any thread;
// the clock only advances inside wait(), on the UI thread, while every device is idle.
//
// One mutex, mu, guards the scheduler and every DeviceLine; nothing is called outside the
// backend with it held (a peer's wake-up runs with it released).
// On the real clock (the console program) time is the monotonic clock instead, and wait()
// sleeps until the next due timer, scheduled action or posted message.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/mutex.h"
#include "platform/posted_queue.h"
#include "platform/serial.h"
#include "platform/window_types.h"

namespace platform::headless::detail {

class DeviceLine;

// One entry of the UI thread's queue.
struct Ready {
  enum class Kind { Posted, Timer, Action } kind = Kind::Posted;
  Handle window = 0;
  uint32_t code = 0;  // posted code, or the timer id
  uintptr_t wparam = 0;
  intptr_t lparam = 0;
  std::function<void()> action;
};

// Something that becomes due at a virtual time.
struct Scheduled {
  enum class Kind { Action, Byte, LineEvent, PeerWake, HangUp } kind = Kind::Action;
  std::function<void()> action;
  std::shared_ptr<DeviceLine> device;
  uint8_t byte = 0;
  uint32_t bits = 0;
  ModemStatus status;
  ErrorStatus errors;
};

class EventScheduler {
 public:
  enum class Clock { Virtual, Real };
  explicit EventScheduler(Clock clock = Clock::Virtual);

  uint64_t now_us() const { return real_time_ ? real_now_us() : now_us_.load(std::memory_order_acquire); }

  // Queue (any thread).
  void post(Ready item) EXCLUDES(mu);
  void post_quit(int code) EXCLUDES(mu);
  bool quit_requested() const { return quit_.requested(); }
  int quit_code() const { return quit_.code(); }
  // UI thread: hands `deliver` every queued item, also those queued meanwhile, until none is
  // left; nothing is locked while an item is delivered.
  template <class Deliver>
  void dispatch_ready(const Deliver& deliver) EXCLUDES(mu) {
    while (!ready_.empty()) ready_.drain([&deliver](Ready& item) { deliver(item); });
  }

  // Scheduled work (any thread; devices call these from the peer's callbacks).
  void schedule_action(uint64_t due_us, std::function<void()> action) EXCLUDES(mu);
  void schedule_locked(uint64_t due_us, Scheduled item) REQUIRES(mu);

  // Timers (UI thread).
  void set_timer(Handle window, uint32_t id, uint64_t period_us) EXCLUDES(mu);
  void kill_timer(Handle window, uint32_t id) EXCLUDES(mu);
  void kill_window_timers(Handle window) EXCLUDES(mu);
  // True when this queued expiry (wparam = its serial) is still wanted; clears it.
  bool take_timer_expiry(Handle window, uint32_t id, uintptr_t serial) EXCLUDES(mu);

  // Blocks until something is queued (true) or the virtual deadline passed (false);
  // kNever waits without a deadline.
  static constexpr uint64_t kNever = ~uint64_t{0};
  bool wait_until(uint64_t deadline_us) EXCLUDES(mu);
  bool wait(int timeout_ms) EXCLUDES(mu) {
    return wait_until(timeout_ms < 0 ? kNever : now_us() + static_cast<uint64_t>(timeout_ms) * 1000);
  }

  // Devices.
  bool path_open(const std::string& path) const EXCLUDES(mu);
  void add_device(const std::shared_ptr<DeviceLine>& line) EXCLUDES(mu);
  void remove_device(const std::shared_ptr<DeviceLine>& line) EXCLUDES(mu);
  void device_changed() { ui_cv_.notify_all(); }  // a worker parked, or a device closed

  // Guards everything here and every DeviceLine, which knows it as its own `mu`.
  mutable Mutex mu;

 private:
  struct Timer {
    uint64_t period_us = 0, next_due_us = 0;
    bool pending = false;  // one expiry at most waits in the queue, like a coalesced timer message
    uintptr_t serial = 0;  // tells a stale queued expiry (before a restart) from the current one
  };
  using TimerKey = std::pair<Handle, uint32_t>;

  uint64_t real_now_us() const;
  // Real clock: sleeps until `target_us` or until something is posted.
  void sleep_until(MutexLock& lock, uint64_t target_us) REQUIRES(mu);
  bool any_device_busy() const REQUIRES(mu);
  void wait_for_idle_devices(MutexLock& lock) REQUIRES(mu);
  uint64_t next_due_us() const REQUIRES(mu);
  void fire_due() REQUIRES(mu);
  void fire_scheduled(Scheduled& item) REQUIRES(mu);
  void fire_timers() REQUIRES(mu);

  const bool real_time_;
  const std::chrono::steady_clock::time_point epoch_;
  std::atomic<uint64_t> now_us_{0};
  // Wakes the UI thread waiting in wait_until.
  void wake_ui() EXCLUDES(mu);

  std::condition_variable ui_cv_;
  MessageQueue<Ready> ready_;  // pushed to with or without `mu` held, never taking `mu` itself
  std::multimap<uint64_t, Scheduled> scheduled_ GUARDED_BY(mu);  // equal times keep insertion order
  std::map<TimerKey, Timer> timers_ GUARDED_BY(mu);
  std::vector<std::shared_ptr<DeviceLine>> devices_ GUARDED_BY(mu);
  QuitRequest quit_;
};

}  // namespace platform::headless::detail
