#include "platform/windowed_backend.h"

#include <string>

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
    if (WindowRecord* w = b.windows.find(h)) forget_native(*w);
    b.windows.erase(h);
  }
  b.frame_gone(window);
  for (Handle h : doomed) b.notify(h, Notify::Destroyed);
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

void WindowedBackend::order_tabs_native(Handle, const std::vector<Handle>&) {}
void WindowedBackend::sync_native_focus() {}
void WindowedBackend::hide_destroyed(WindowRecord&) {}
void WindowedBackend::wake_ui_thread() {}

}  // namespace platform
