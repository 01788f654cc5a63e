// Timers: one SetTimer timer on the hidden message window per window and timer id, so
// ticks keep coming inside message boxes and other modal loops.
#include <algorithm>

#include "platform/win32/win32_backend_state.h"

namespace platform::win32 {
namespace {
constexpr uint32_t kMinimumPeriodMs = USER_TIMER_MINIMUM;  // shorter periods are raised to this
constexpr uint32_t kMaximumPeriodMs = 0x7FFFFFFF;
}  // namespace

void Win32BackendState::set_timer(Handle window, uint32_t id, uint32_t period_ms) {
  if (!find(window)) return;
  UINT_PTR& native = timers_[TimerKey{window, id}];
  if (native == 0) {
    native = next_timer_++;
    timer_owner_[native] = TimerKey{window, id};
  }
  SetTimer(message_window, native, std::clamp(period_ms, kMinimumPeriodMs, kMaximumPeriodMs), nullptr);
}

void Win32BackendState::kill_timer(Handle window, uint32_t id) {
  auto it = timers_.find(TimerKey{window, id});
  if (it == timers_.end()) return;
  KillTimer(message_window, it->second);  // also drops a tick already queued
  timer_owner_.erase(it->second);
  timers_.erase(it);
}

void Win32BackendState::kill_window_timers(Handle window) {
  for (auto it = timers_.begin(); it != timers_.end();) {
    if (it->first.window != window) {
      ++it;
      continue;
    }
    KillTimer(message_window, it->second);
    timer_owner_.erase(it->second);
    it = timers_.erase(it);
  }
}

void Win32BackendState::on_timer(UINT_PTR native_id) {
  auto it = timer_owner_.find(native_id);
  if (it == timer_owner_.end() || !sink) return;
  const TimerKey key = it->second;
  if (find(key.window)) deliver_timer(key.window, key.id);
}

}  // namespace platform::win32
