#include "platform/windowed_backend.h"

#include <algorithm>
#include <string>

#include "platform/line_breaks.h"

namespace platform {

void WindowedBackend::set_sink(WindowSink* sink) { book().sink = sink; }

// Destroyed is reported children first, after every window of the subtree has left the
// bookkeeping, so a handler that looks at them finds them gone.
void WindowedBackend::destroy(Handle window) {
  WindowBookkeeping& b = book();
  WindowRecord* top = b.windows.find(window);
  if (!top) return;
  const std::vector<Handle> doomed = b.windows.subtree_children_first(window);
  b.forget_focus_inside(window);
  hide_destroyed(*top);
  for (Handle h : doomed) {
    for (uintptr_t timer : b.timers.remove_window(h)) stop_timer_native(timer);
    if (WindowRecord* w = b.windows.find(h)) {
      b.natives.erase(w->native);
      forget_native(*w);
    }
    b.windows.erase(h);
  }
  b.frame_gone(window);
  for (Handle h : doomed) b.notify(h, Notify::Destroyed);
}

void WindowedBackend::close_all_windows() {
  WindowBookkeeping& b = book();
  b.sink = nullptr;
  for (Handle h : b.windows.roots()) destroy(h);
  b.delete_all_deferred();
}

bool WindowedBackend::exists(Handle window) const { return book().exists(window); }

void WindowedBackend::set_parent(Handle window, Handle parent) {
  WindowTree& windows = book().windows;
  if (!windows.may_reparent(window, parent)) return;
  windows.reparent(window, parent);
  reparent_native(*windows.find(window));
}

bool WindowedBackend::enabled(Handle window) const {
  const WindowRecord* w = book().windows.find(window);
  return w && w->enabled;
}

void WindowedBackend::set_enabled(Handle window, bool on) {
  if (WindowRecord* w = book().windows.find(window)) {
    w->enabled = on;
    enable_native(*w);
  }
}

bool WindowedBackend::visible(Handle window) const {
  const WindowRecord* w = book().windows.find(window);
  return w && w->visible;
}

void WindowedBackend::set_visible(Handle window, bool on) {
  if (WindowRecord* w = book().windows.find(window)) {
    w->visible = on;
    show_native(*w);
  }
}

void WindowedBackend::set_focus(Handle window) {
  WindowBookkeeping& b = book();
  if (window != 0 && !b.exists(window)) return;
  if (b.focused() != window && !b.move_focus(window)) return;  // a handler's own move stands
  sync_native_focus();
}

Handle WindowedBackend::focus() const { return book().focused(); }

void WindowedBackend::set_tab_order(Handle parent, const std::vector<Handle>& order) {
  const std::vector<Handle> listed = book().windows.set_tab_order(parent, order);
  if (!listed.empty()) order_tabs_native(parent, listed);
}

// A sorted box keeps its items in GBK byte order; a new item goes after every equal one.
void WindowedBackend::combo_add_item(Handle combo, std::string_view gbk) {
  const WindowRecord* w = book().windows.find(combo);
  if (!w || w->kind != WidgetKind::ComboBox) return;
  int at = combo_count(combo);
  if (w->sorted) {
    int low = 0;
    while (low < at) {
      const int middle = low + (at - low) / 2;
      if (combo_item(combo, middle) <= gbk) low = middle + 1;
      else at = middle;
    }
  }
  insert_item_native(combo, at, gbk);
}

namespace {

// One of the log's primitives on an edit box: what the native control reports of its own
// accord meanwhile is muted, one Changed is reported after.
template <class Native>
size_t log_primitive(WindowBookkeeping& b, Handle edit, const Native& native) {
  WindowRecord* w = b.windows.find(edit);
  if (!w || w->kind != WidgetKind::Edit) return 0;
  ++w->changed_mute;
  const size_t bytes = native(*w);
  --w->changed_mute;
  b.notify(edit, Notify::Changed);
  return bytes;
}

}  // namespace

void WindowedBackend::show_frame(Handle frame) {
  WindowBookkeeping& b = book();
  WindowRecord* w = b.windows.find(frame);
  if (!w || w->kind != WidgetKind::Frame) return;
  w->visible = true;
  show_frame_native(*w);
  b.frame_shown(frame);
  sync_native_focus();
}

size_t WindowedBackend::edit_append(Handle edit, std::string_view gbk) {
  const std::string text = crlf_line_breaks(gbk);
  return log_primitive(book(), edit, [&](WindowRecord& w) { return append_native(w, text); });
}

size_t WindowedBackend::edit_drop_front(Handle edit, size_t bytes) {
  return log_primitive(book(), edit, [&](WindowRecord& w) { return drop_front_native(w, bytes); });
}

// Counted even when a handler run inside the box ends the program. Afterwards the frame that
// had the focus is made active again and the native focus put back where the form has it:
// without this some systems leave no active window, and later focus moves would not reach it.
int WindowedBackend::message_box(std::string_view text_gbk, std::string_view caption_gbk, uint32_t style) {
  WindowBookkeeping& b = book();
  struct OpenBox {
    int& count;
    explicit OpenBox(int& c) : count(c) { ++count; }
    ~OpenBox() { --count; }
  };
  int answer;
  {
    OpenBox open(b.message_boxes_open);
    answer = show_box_native(text_gbk, caption_gbk, style);
  }
  WindowRecord* frame = b.windows.find(b.frame_to_reactivate());
  if (frame && activate_frame_native(*frame)) sync_native_focus();
  return answer;
}

void WindowedBackend::post(Handle window, uint32_t code, uintptr_t wparam, intptr_t lparam) {
  WindowBookkeeping& b = book();
  b.posted.push(Posted{window, code, wparam, lparam});
  if (b.posted.claim_wake()) wake_ui_thread();
}

void WindowedBackend::post_quit(int code) {
  WindowBookkeeping& b = book();
  b.quit.request(code);
  if (b.posted.claim_wake()) wake_ui_thread();
}

bool WindowedBackend::quit_requested() const { return book().quit.requested(); }
int WindowedBackend::quit_code() const { return book().quit.code(); }

// Setting a running timer again restarts it with the new period.
void WindowedBackend::set_timer(Handle window, uint32_t timer_id, uint32_t period_ms) {
  WindowBookkeeping& b = book();
  if (!b.exists(window)) return;
  const uint32_t period = std::clamp(period_ms, kMinimumTimerPeriodMs, kMaximumTimerPeriodMs);
  b.timers.set(window, timer_id, start_timer_native(b.timers.native_of(window, timer_id), period));
}

// A tick already on its way is dropped with it (book().timer_fired no longer finds it).
void WindowedBackend::kill_timer(Handle window, uint32_t timer_id) {
  if (const uintptr_t native = book().timers.remove(window, timer_id)) stop_timer_native(native);
}

void WindowedBackend::order_tabs_native(Handle, const std::vector<Handle>&) {}
void WindowedBackend::sync_native_focus() {}
void WindowedBackend::hide_destroyed(WindowRecord&) {}
void WindowedBackend::wake_ui_thread() {}
uintptr_t WindowedBackend::start_timer_native(uintptr_t running, uint32_t) { return running; }
void WindowedBackend::stop_timer_native(uintptr_t) {}
bool WindowedBackend::activate_frame_native(WindowRecord&) { return false; }

}  // namespace platform
