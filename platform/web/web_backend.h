// The backend on the page: the form's windows are elements of the page (page/controls.js),
// message boxes are modal dialogs, timers run in a worker so that they hold in a background
// tab, and serial ports are the browser's. The program runs on the page's one thread: when
// it waits (the main loop, a delay, a message box, a serial write) it is suspended and the
// page runs on; what the user and the ports did meanwhile waits in the page's queue and is
// dispatched by the program's own loop. The bookkeeping is WindowedBackend's.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/web/page.h"
#include "platform/windowed_backend.h"

namespace platform::web {

// A label style as the page takes it.
std::string label_style_json(const LabelStyle& style);

class WebBackend final : public WindowedBackend {
 public:
  WebBackend() = default;
  ~WebBackend() override;
  WebBackend(const WebBackend&) = delete;
  WebBackend& operator=(const WebBackend&) = delete;

  // The program has ended with `code`: the page says so.
  void ended(int code);
  // What the conformance tests ask besides the interface.
  bool caret_in_view(Handle edit) const;

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

  void process_pending() override;
  bool wait(int timeout_ms) override;
  uint32_t tick_count() const override { return page::tick_ms(); }

  std::unique_ptr<SerialDevice> open_serial(const std::string& path, SerialError& error) override;

  [[noreturn]] void exit_process(int code) override;

 private:
  struct Window : WindowRecord {
    Geometry geometry;
    bool multi_line = false;
  };
  Window* find(Handle h) { return static_cast<Window*>(book_.windows.find(h)); }
  const Window* find(Handle h) const { return static_cast<const Window*>(book_.windows.find(h)); }

  WindowBookkeeping& book() override { return book_; }
  const WindowBookkeeping& book() const override { return book_; }
  void reparent_native(WindowRecord& w) override;
  void enable_native(WindowRecord& w) override;
  void show_native(WindowRecord& w) override;
  void show_frame_native(WindowRecord& frame) override;
  void sync_native_focus() override;
  void forget_native(WindowRecord& w) override;
  void insert_item_native(Handle combo, int index, std::string_view gbk) override;
  size_t append_native(WindowRecord& edit, std::string_view gbk) override;
  size_t drop_front_native(WindowRecord& edit, size_t bytes) override;
  // The page's window timers (page/timers.js), which run in a worker.
  uintptr_t start_timer_native(uintptr_t running, uint32_t period_ms) override;
  void stop_timer_native(uintptr_t native) override;
  // A modal dialog over the page; the queue keeps being dispatched until it is answered.
  int show_box_native(std::string_view text_gbk, std::string_view caption_gbk, uint32_t style) override;
  // The page has no windows to activate: its focus goes back where the form has it.
  bool activate_frame_native(WindowRecord&) override { return true; }

  void dispatch(const page::Queued& e);
  void on_key(Handle target, int key, int mods);
  void on_char(Handle target, uint32_t code_point);
  bool takes_input(Handle h) const;

  WindowBookkeeping book_;
  bool frame_shown_ = false;
  bool ready_said_ = false;
  uintptr_t next_timer_ = 1;
  std::map<int, int> answers_;  // message box id -> the button pressed
};

}  // namespace platform::web
