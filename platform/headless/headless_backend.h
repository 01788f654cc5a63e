// The deterministic backend for tests. Time is virtual: it advances only when every source
// of work is idle (no queued message, no serial worker with unread input, no write in
// flight) and then jumps straight to the next due timer, scheduled action or wait deadline.
// A 20 s time-out therefore runs in milliseconds and gives the same result on every run.
//
// On the real clock the same windowless model runs a program without a display (the console
// program): time is the monotonic clock and waits really sleep, and the program that makes
// the backend hands it the opener of the system's serial devices.
//
// Controls are modelled faithfully enough for the form runtime: texts, focus with its
// FocusOut/FocusIn order, combo box items and selection, IP address parts, enabled and
// visible states, parents and tab order. Tests drive the user's side: clicks, typing,
// pasting, keys, focus moves, closing the window. Message boxes are recorded and answered.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/headless/serial_peer.h"
#include "platform/windowed_backend.h"

namespace platform::headless {

struct MessageBoxRecord {
  std::string text;     // GBK
  std::string caption;  // GBK
  uint32_t style = 0;
  uint32_t at_ms = 0;   // virtual time when it was shown
};

// Thrown by exit_process when exit_throws(true) is set, so a test can see the exit code of
// a runtime error or of exit_program without ending the test process.
struct ProcessExit {
  int code;
};

// Opens a serial device by its path; null, with the reason in `error`, when it cannot.
using SerialOpener = std::function<std::unique_ptr<SerialDevice>(const std::string& path, SerialError& error)>;

class HeadlessBackend final : public WindowedBackend {
 public:
  enum class Clock { Virtual, Real };
  // start_tick: the tick counter's value at virtual time 0 (tests use values near 2^32 to
  // cross the wrap). `devices`, when given, opens every serial device (the system's, on the
  // real clock) in place of the in-memory peers.
  explicit HeadlessBackend(uint32_t start_tick = 0, Clock clock = Clock::Virtual, SerialOpener devices = {});
  ~HeadlessBackend() override;

  // ---- the test's side
  uint32_t now() const;  // virtual milliseconds since construction
  // Runs the UI thread's dispatching for `ms` of virtual time: dispatches messages,
  // advances the clock over idle stretches, fires timers and scheduled actions.
  void run_for(uint32_t ms);
  // Dispatches until nothing more can happen without the clock moving.
  void settle();
  // Runs `action` on the UI thread at virtual time `at_ms` (as a queued message).
  void schedule(uint32_t at_ms, std::function<void()> action);

  // User input, performed at once on the calling (UI) thread.
  void click(Handle button);              // focus moves to the button, then Clicked
  void user_focus(Handle window);         // the user clicks into a field
  void type_text(Handle window, const std::string& gbk);  // char by char through on_char
  void paste(Handle window, const std::string& gbk);      // unfiltered replace of the selection
  // Picks item `index` from a combo box's list: selects it and reports Chosen. (Typing,
  // pasting or deleting in the box's field reports Edited and leaves the list as it is.)
  void choose_item(Handle combo, int index);
  void press_key(Key key, bool shift = false);             // to the focused window via on_key
  void close_box(Handle frame);           // the frame's close box: CloseRequest

  // Message boxes: recorded in order; the answer function (default: OK) is called while
  // the box is "open", and may itself drive the UI (queued messages keep dispatching).
  const std::vector<MessageBoxRecord>& message_boxes() const;
  void clear_message_boxes();
  void set_message_box_answer(std::function<int(const MessageBoxRecord&)> answer);
  // Called after every text change made through set_text (a label's caption, a field's
  // content), with the window and its new text (GBK).
  void set_text_observer(std::function<void(Handle, const std::string&)> observer);

  void set_exit_throws(bool on);

  // In-memory serial devices: open_serial(path) finds the peer registered for the path.
  void add_serial_peer(const std::string& path, std::shared_ptr<SerialPeer> peer);
  // Simulates another program holding the device (open fails as busy).
  void set_serial_busy(const std::string& path, bool busy);

  // Inspection helpers for tests.
  std::vector<Handle> children(Handle parent) const;
  WidgetKind kind(Handle window) const;
  int control_id(Handle window) const;
  bool is_tab_stop(Handle window) const;
  const LabelStyle& label_style(Handle label) const;
  Handle frame_of(Handle window) const;
  // The caret offset an edit box last scrolled into view.
  int scrolled_to(Handle edit) const;
  // How often a window's whole text was read through text().
  size_t text_reads(Handle window) const;

  // ---- Backend (the bookkeeping calls are WindowedBackend's)
  Handle create(const CreateParams& params) override;
  Geometry geometry(Handle window) const override;
  void set_geometry(Handle window, Geometry g) override;
  std::string text(Handle window) const override;
  void set_text(Handle window, std::string_view gbk) override;
  void set_font(Handle window, const Font& font) override;
  std::pair<int, int> edit_selection(Handle edit) const override;
  void edit_set_selection(Handle edit, int start, int end) override;
  void edit_replace_selection(Handle edit, std::string_view gbk) override;
  void edit_scroll_caret(Handle edit) override;
  int combo_count(Handle combo) const override;
  std::string combo_item(Handle combo, int index) const override;
  int combo_current(Handle combo) const override;
  void combo_set_current(Handle combo, int index) override;
  void ip_set(Handle ip, const uint8_t parts[4]) override;
  void ip_clear(Handle ip) override;
  bool ip_blank(Handle ip) const override;
  void ip_get(Handle ip, uint8_t parts[4]) const override;
  void label_set_style(Handle label, const LabelStyle& style) override;
  // Posted messages, timer expiries and scheduled actions share one queue on the scheduler's
  // clock, so virtual time keeps them in order.
  void post(Handle window, uint32_t code, uintptr_t wparam, intptr_t lparam) override;
  void post_quit(int code) override;
  bool quit_requested() const override;
  int quit_code() const override;
  void process_pending() override;
  bool wait(int timeout_ms) override;
  uint32_t tick_count() const override;
  void set_timer(Handle window, uint32_t timer_id, uint32_t period_ms) override;
  void kill_timer(Handle window, uint32_t timer_id) override;
  std::unique_ptr<SerialDevice> open_serial(const std::string& path, SerialError& error) override;
  [[noreturn]] void exit_process(int code) override;

 private:
  void type_control(Handle window, char ch);  // a control character typed into an edit field

  // ---- WindowedBackend: a model has nothing to draw
  WindowBookkeeping& book() override;
  const WindowBookkeeping& book() const override;
  void reparent_native(WindowRecord&) override {}
  void enable_native(WindowRecord&) override {}
  void show_native(WindowRecord&) override {}
  void show_frame_native(WindowRecord&) override {}
  void forget_native(WindowRecord& w) override;
  void insert_item_native(Handle combo, int index, std::string_view gbk) override;
  size_t append_native(WindowRecord& edit, std::string_view gbk) override;
  size_t drop_front_native(WindowRecord& edit, size_t bytes) override;
  // Recorded, and answered by the test's answer function.
  int show_box_native(std::string_view text_gbk, std::string_view caption_gbk, uint32_t style) override;

  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace platform::headless
