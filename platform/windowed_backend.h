// The half of a backend that is the same on every window system: the Backend calls that are
// bookkeeping alone (which windows exist, where they sit, enabled and shown, the focus, tab
// order, destruction, a sorted combo box's order, the posted messages and the quit request),
// and the rules around the native calls (a frame shown takes an unfocused program's focus,
// the timers the form set, a message box counted while it is open and the form's frame made
// active again after it, the log's two primitives with their line breaks and their report),
// answered from the backend's WindowBookkeeping. A
// backend derives from it and implements the drawing and input: the native side of each of
// these (the hooks below) and the Backend calls that are native throughout.
#pragma once

#include <cstddef>
#include <cstdint>
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
  // Frames only: shown and activated, and an unfocused program's focus goes to the frame.
  void show_frame(Handle frame) final;
  // Edit boxes only; the text's line breaks all become CR LF before the native side sees it,
  // and one Changed is reported (the native control's own reports meanwhile are muted).
  size_t edit_append(Handle edit, std::string_view gbk) final;
  size_t edit_drop_front(Handle edit, size_t bytes) final;
  int message_box(std::string_view text_gbk, std::string_view caption_gbk, uint32_t style) final;
  // The posted messages go to book().posted with one wake-up while any is pending, and the
  // timers to book().timers, each with a native timer; a backend with a queue of its own
  // (the headless one, on its virtual clock) replaces these.
  void post(Handle window, uint32_t code, uintptr_t wparam, intptr_t lparam) override;
  void post_quit(int code) override;
  bool quit_requested() const override;
  int quit_code() const override;
  void set_timer(Handle window, uint32_t timer_id, uint32_t period_ms) override;
  void kill_timer(Handle window, uint32_t timer_id) override;

  // Periods are raised to this, and held at most to the other.
  static constexpr uint32_t kMinimumTimerPeriodMs = 10;
  static constexpr uint32_t kMaximumTimerPeriodMs = 0x7FFFFFFF;

 protected:
  virtual WindowBookkeeping& book() = 0;
  virtual const WindowBookkeeping& book() const = 0;
  // For the backend's destructor: every window destroyed without a report (the sink may be gone
  // already) and every native object deleted.
  void close_all_windows();

  // ---- the native side, called after the bookkeeping has changed
  // The window now has `w.parent` as its parent.
  virtual void reparent_native(WindowRecord& w) = 0;
  // `w.enabled` / `w.visible` changed.
  virtual void enable_native(WindowRecord& w) = 0;
  virtual void show_native(WindowRecord& w) = 0;
  // A frame is shown (centred first where it asks for it) and made the active window.
  virtual void show_frame_native(WindowRecord& frame) = 0;
  // The listed children of `parent` come first in keyboard order, in this order.
  virtual void order_tabs_native(Handle parent, const std::vector<Handle>& order);
  // The native focus goes where book().focused() is.
  virtual void sync_native_focus();
  // Destruction: `top` leaves the screen now (its native objects are deleted through
  // book().delete_later), then each window of its subtree, children first, is forgotten (its
  // timers are stopped already).
  virtual void hide_destroyed(WindowRecord& top);
  virtual void forget_native(WindowRecord& w) = 0;
  // Inserts an item into a combo box's list at `index` (its count: at the end).
  virtual void insert_item_native(Handle combo, int index, std::string_view gbk) = 0;
  // Asks the window system to wake the UI thread, which then delivers book().posted.
  virtual void wake_ui_thread();
  // An edit box's log primitives (Backend::edit_append, edit_drop_front) on the native
  // control; `gbk` has CR LF for every line break. Each returns the bytes the text grew or
  // shrank by, as text() counts them.
  virtual size_t append_native(WindowRecord& edit, std::string_view gbk) = 0;
  virtual size_t drop_front_native(WindowRecord& edit, size_t bytes) = 0;
  // Starts a native timer that expires every `period_ms` (within the limits above), or
  // restarts `running` (0: none yet) with that period; returns the native timer, never 0.
  // Each expiry goes to book().timer_fired.
  virtual uintptr_t start_timer_native(uintptr_t running, uint32_t period_ms);
  virtual void stop_timer_native(uintptr_t native);
  // The modal box itself (Backend::message_box), returning the button's id; it is counted in
  // book().message_boxes_open while it shows.
  virtual int show_box_native(std::string_view text_gbk, std::string_view caption_gbk, uint32_t style) = 0;
  // After a box: makes `frame` the active window again; false when it cannot be (not shown).
  // The native focus is then put back where the form has it.
  virtual bool activate_frame_native(WindowRecord& frame);
};

}  // namespace platform
