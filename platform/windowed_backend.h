// The half of a backend that is the same on every window system: the Backend calls that are
// bookkeeping alone (which windows exist, where they sit, enabled and shown, the focus, tab
// order, destruction, a sorted combo box's order, the posted messages and the quit
// request), answered from the backend's WindowBookkeeping. A backend derives from it and
// implements the drawing and input: the native side of each of these (the hooks below) and
// the Backend calls that are native throughout.
#pragma once

#include <string_view>
#include <vector>

#include "platform/backend.h"
#include "platform/window_bookkeeping.h"

namespace platform {

class WindowedBackend : public Backend {
 public:
  void set_sink(WindowSink* sink) final;
  void destroy(Handle window) final;
  bool exists(Handle window) const final;
  void set_parent(Handle window, Handle parent) final;
  bool enabled(Handle window) const final;
  void set_enabled(Handle window, bool on) final;
  bool visible(Handle window) const final;
  void set_visible(Handle window, bool on) final;
  void set_focus(Handle window) final;
  Handle focus() const final;
  void set_tab_order(Handle parent, const std::vector<Handle>& order) final;
  void combo_add_item(Handle combo, std::string_view gbk) final;
  // The posted messages go to book().posted with one wake-up while any is pending; a backend
  // with a queue of its own (the headless one, on its virtual clock) replaces these.
  void post(Handle window, uint32_t code, uintptr_t wparam, intptr_t lparam) override;
  void post_quit(int code) override;
  bool quit_requested() const override;
  int quit_code() const override;

 protected:
  virtual WindowBookkeeping& book() = 0;
  virtual const WindowBookkeeping& book() const = 0;

  // ---- the native side, called after the bookkeeping has changed
  // The window now has `w.parent` as its parent.
  virtual void reparent_native(WindowRecord& w) = 0;
  // `w.enabled` / `w.visible` changed.
  virtual void enable_native(WindowRecord& w) = 0;
  virtual void show_native(WindowRecord& w) = 0;
  // The listed children of `parent` come first in keyboard order, in this order.
  virtual void order_tabs_native(Handle parent, const std::vector<Handle>& order);
  // The native focus goes where book().focused() is.
  virtual void sync_native_focus();
  // Destruction: `top` leaves the screen now (it may be deleted only when no sink call is
  // running), then each window of its subtree, children first, is forgotten.
  virtual void hide_destroyed(WindowRecord& top);
  virtual void forget_native(WindowRecord& w) = 0;
  // Inserts an item into a combo box's list at `index` (its count: at the end).
  virtual void insert_item_native(Handle combo, int index, std::string_view gbk) = 0;
  // Asks the window system to wake the UI thread, which then delivers book().posted.
  virtual void wake_ui_thread();
};

}  // namespace platform
