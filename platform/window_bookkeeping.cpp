#include "platform/window_bookkeeping.h"

#include <algorithm>
#include <cstdio>

#include "platform/gbk_codec.h"

namespace platform {

// ---- timers

uintptr_t TimerTable::native_of(Handle window, uint32_t id) const {
  for (const Timer& t : timers_)
    if (t.window == window && t.id == id) return t.native;
  return 0;
}

void TimerTable::set(Handle window, uint32_t id, uintptr_t native) {
  for (Timer& t : timers_) {
    if (t.window == window && t.id == id) {
      t.native = native;
      return;
    }
  }
  timers_.push_back(Timer{window, id, native});
}

uintptr_t TimerTable::remove(Handle window, uint32_t id) {
  for (auto it = timers_.begin(); it != timers_.end(); ++it) {
    if (it->window == window && it->id == id) {
      const uintptr_t native = it->native;
      timers_.erase(it);
      return native;
    }
  }
  return 0;
}

std::vector<uintptr_t> TimerTable::remove_window(Handle window) {
  std::vector<uintptr_t> natives;
  for (const Timer& t : timers_)
    if (t.window == window) natives.push_back(t.native);
  std::erase_if(timers_, [window](const Timer& t) { return t.window == window; });
  return natives;
}

const TimerTable::Timer* TimerTable::find_native(uintptr_t native) const {
  for (const Timer& t : timers_)
    if (t.native == native) return &t;
  return nullptr;
}

// ---- the windows

Handle WindowBookkeeping::keep(std::unique_ptr<WindowRecord> record, const void* native) {
  record->native = native;
  const Handle h = windows.add(std::move(record));
  if (h != 0) natives.add(native, h);
  return h;
}

// ---- the focus

bool WindowBookkeeping::move_focus(Handle to) {
  const Handle old = focused_;
  focused_ = 0;
  ++focus_reports_;
  if (old != 0) notify(old, Notify::FocusOut);
  const bool abandoned = focused_ != 0 || (to != 0 && !exists(to));
  if (!abandoned) {
    focused_ = to;
    if (to != 0) notify(to, Notify::FocusIn);
  }
  --focus_reports_;
  return !abandoned && focused_ == to;
}

void WindowBookkeeping::forget_focus_inside(Handle h) {
  if (focused_ != 0 && windows.is_inside(focused_, h)) focused_ = 0;
}

void WindowBookkeeping::frame_shown(Handle frame) {
  last_frame_shown_ = frame;
  if (focused_ == 0) focused_ = frame;
}

void WindowBookkeeping::frame_gone(Handle frame) {
  if (last_frame_shown_ == frame) last_frame_shown_ = 0;
}

Handle WindowBookkeeping::frame_to_reactivate() const {
  const Handle frame = windows.frame_of(focused_);
  return frame != 0 ? frame : last_frame_shown_;
}

bool WindowBookkeeping::follow_user_focus(Handle to) {
  if (native_focus_mute_ > 0 || reporting_focus() || message_boxes_open > 0) return false;
  if (to == focused_ || (to != 0 && !exists(to))) return false;
  move_focus(to);
  return focused_ != to;
}

// ---- typing

WindowBookkeeping::Typed WindowBookkeeping::type_char(Handle window, char32_t ch) {
  const WindowRecord* w = windows.find(window);
  if (!w) return {false, true, ch};
  ch = gbk_letter_case(ch, w->case_conversion);
  if (ch < 32 || ch == 127) return {true, false, ch};
  const bool accepted = offer_char(window, gbk_char_code(ch));
  if (!exists(window)) return {false, true, ch};
  return {accepted, false, ch};
}

// ---- the queue

void WindowBookkeeping::deliver_posted_messages() {
  posted.drain([this](const Posted& m) {
    if (exists(m.window)) deliver_posted(m.window, m.code, m.wparam, m.lparam);
  });
}

void WindowBookkeeping::timer_fired(uintptr_t native) {
  const TimerTable::Timer* t = timers.find_native(native);
  if (t && exists(t->window)) deliver_timer(t->window, t->id);
}

// ---- deletion

void WindowBookkeeping::delete_deferred() {
  if (in_sink_call()) return;
  // A deleter may cause native events that destroy more: those wait for the next round.
  std::vector<std::function<void()>> now = std::move(doomed_);
  doomed_.clear();
  for (auto& deleter : now) deleter();
}

void WindowBookkeeping::delete_all_deferred() {
  forget_sink_calls();
  delete_deferred();
}

std::string ip_address_text(bool blank, const uint8_t parts[4]) {
  if (blank) return {};
  char text[16];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", parts[0], parts[1], parts[2], parts[3]);
  return text;
}

}  // namespace platform
