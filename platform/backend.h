// The one abstract backend: windows and controls, the UI thread's message queue, timers,
// the tick counter, message boxes, serial devices and process exit. Each executable or
// test picks one implementation (headless, Qt); nothing above platform/ knows which.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "platform/serial.h"
#include "platform/window_types.h"

namespace platform {

// Receives everything a window reports. Implemented by the form runtime. All calls arrive
// on the UI thread.
class WindowSink {
 public:
  virtual ~WindowSink() = default;
  virtual void on_notify(Handle window, Notify what) = 0;
  // A key went down while `focus` had the focus; true = the form handled it.
  virtual bool on_key(Handle focus, KeyPress key) = 0;
  // A printable character (code >= 32) is about to be typed into an edit box (or a combo
  // box's edit field); false rejects it. Pasted text is not offered here.
  virtual bool on_char(Handle window, uint32_t ch) = 0;
  virtual void on_timer(Handle window, uint32_t timer_id) = 0;
  // A message posted with Backend::post, delivered while the UI thread dispatches.
  virtual void on_posted(Handle window, uint32_t code, uintptr_t wparam, intptr_t lparam) = 0;
};

class Backend {
 public:
  virtual ~Backend() = default;

  virtual void set_sink(WindowSink* sink) = 0;

  // ---- windows and controls (UI thread only)
  virtual Handle create(const CreateParams& params) = 0;  // 0 on failure
  // Destroys the window and its children; reports Destroyed for each, children first.
  virtual void destroy(Handle window) = 0;
  virtual bool exists(Handle window) const = 0;
  virtual void set_parent(Handle window, Handle parent) = 0;
  virtual Geometry geometry(Handle window) const = 0;  // relative to the parent's client area
  virtual void set_geometry(Handle window, Geometry g) = 0;
  virtual std::string text(Handle window) const = 0;   // GBK
  // Sets the text; controls report Changed as a native control would (the caller decides
  // whether to ignore it).
  virtual void set_text(Handle window, std::string_view gbk) = 0;
  virtual bool enabled(Handle window) const = 0;
  virtual void set_enabled(Handle window, bool on) = 0;
  virtual bool visible(Handle window) const = 0;
  virtual void set_visible(Handle window, bool on) = 0;
  // Moves the keyboard focus, reporting FocusOut then FocusIn synchronously. 0 clears it.
  virtual void set_focus(Handle window) = 0;
  virtual Handle focus() const = 0;
  // Keyboard order of a parent's children, first to last.
  virtual void set_tab_order(Handle parent, const std::vector<Handle>& order) = 0;
  virtual void set_font(Handle window, const Font& font) = 0;
  virtual void show_frame(Handle frame) = 0;  // shows and activates a top-level frame

  // Edit boxes (and the combo box's edit field for the selection calls).
  virtual std::pair<int, int> edit_selection(Handle edit) const = 0;
  virtual void edit_set_selection(Handle edit, int start, int end) = 0;
  virtual void edit_replace_selection(Handle edit, std::string_view gbk) = 0;  // not undoable
  virtual void edit_scroll_caret(Handle edit) = 0;
  // The two primitives a log (the traffic monitor) is kept with; the form runtime decides
  // what to drop. Each costs in proportion to the text it adds or drops, never to the text
  // kept, and reports one Changed.
  // Appends at the end of an edit box: the caret goes to the end of the text and is scrolled
  // into view, the text is inserted there (not undoable), and the caret stays after it, in
  // view. Every line break (CR LF, a lone CR, a lone LF) is shown as one and read back as
  // CR LF. Returns how many bytes the text grew by, as text() counts them.
  virtual size_t edit_append(Handle edit, std::string_view gbk) = 0;
  // Drops the beginning of an edit box's text: `bytes` bytes (GBK, a line break counting as
  // CR LF), or up to the next character boundary when that falls inside a character; not
  // undoable. The caret goes to the end, in view. Returns the bytes dropped.
  virtual size_t edit_drop_front(Handle edit, size_t bytes) = 0;

  // Combo boxes.
  virtual void combo_add_item(Handle combo, std::string_view gbk) = 0;
  virtual int combo_count(Handle combo) const = 0;
  virtual std::string combo_item(Handle combo, int index) const = 0;
  // The item selected in the list, -1 when none is. The user's edits of the field leave it
  // as it is (they report Edited; what an edited box's selection is, is the caller's rule).
  virtual int combo_current(Handle combo) const = 0;
  // Selects an item (-1 clears); the edit field then shows the item's text. Reports nothing.
  virtual void combo_set_current(Handle combo, int index) = 0;

  // IP address controls.
  virtual void ip_set(Handle ip, const uint8_t parts[4]) = 0;
  virtual void ip_clear(Handle ip) = 0;
  virtual bool ip_blank(Handle ip) const = 0;
  virtual void ip_get(Handle ip, uint8_t parts[4]) const = 0;

  // Labels are painted by the backend from this description.
  virtual void label_set_style(Handle label, const LabelStyle& style) = 0;

  // ---- the UI thread's message queue
  // Any thread. Messages for a window that no longer exists are dropped at dispatch.
  virtual void post(Handle window, uint32_t code, uintptr_t wparam = 0, intptr_t lparam = 0) = 0;
  // Any thread. The request stays pending until the main loop takes it.
  virtual void post_quit(int code) = 0;
  virtual bool quit_requested() const = 0;
  virtual int quit_code() const = 0;
  // Dispatches everything queued now (posted messages, timer expiries, input), never the
  // quit request. Returns without waiting.
  virtual void process_pending() = 0;
  // Sleeps until something is queued or timeout_ms passes (-1: no time-out). Returns
  // true when something is ready to dispatch.
  virtual bool wait(int timeout_ms) = 0;
  // Milliseconds since some start, wrapping at 2^32.
  virtual uint32_t tick_count() const = 0;
  virtual void set_timer(Handle window, uint32_t timer_id, uint32_t period_ms) = 0;
  virtual void kill_timer(Handle window, uint32_t timer_id) = 0;

  // Modal message box with no owner; keeps dispatching queued messages while open.
  // Returns the pressed button's id (kIdOk ...), 0 on failure.
  virtual int message_box(std::string_view text_gbk, std::string_view caption_gbk, uint32_t style) = 0;

  // ---- serial devices
  virtual std::unique_ptr<SerialDevice> open_serial(const std::string& path, SerialError& error) = 0;

  // Ends the process. The headless backend can be told to throw instead, for tests.
  [[noreturn]] virtual void exit_process(int code) = 0;
};

// The backend the running program uses. Set once at start, before any form exists.
Backend& backend();
void set_backend(Backend* backend);

}  // namespace platform
