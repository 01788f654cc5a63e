#include "platform/window_bookkeeping.h"

#include <cstdio>

namespace platform {

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

void WindowBookkeeping::deliver_posted_messages() {
  posted.drain([this](const Posted& m) {
    if (exists(m.window)) deliver_posted(m.window, m.code, m.wparam, m.lparam);
  });
}

std::string ip_address_text(bool blank, const uint8_t parts[4]) {
  if (blank) return {};
  char text[16];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", parts[0], parts[1], parts[2], parts[3]);
  return text;
}

}  // namespace platform
