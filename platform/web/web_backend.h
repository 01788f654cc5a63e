// The backend on the page: the form's windows are elements of the page (page/controls.js),
// message boxes are modal dialogs, timers run in a worker so that they hold in a background
// tab, and serial ports are the browser's. The program runs on the page's one thread: when
// it waits (the main loop, a delay, a message box, a serial write) it is suspended and the
// page runs on; what the user and the ports did meanwhile waits in the page's queue and is
// dispatched by the program's own loop.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/posted_queue.h"
#include "platform/sink_calls.h"
#include "platform/web/page.h"
#include "platform/window_tree.h"

namespace platform::web {

// A label style as the page takes it.
std::string label_style_json(const LabelStyle& style);

class WebBackend final : public Backend, private SinkCalls {
 public:
  WebBackend() = default;
  ~WebBackend() override;

  // The program has ended with `code`: the page says so.
  void ended(int code);
  // What the conformance tests ask besides the interface.
  bool caret_in_view(Handle edit) const;

  void set_sink(WindowSink* sink) override { SinkCalls::sink = sink; }

  Handle create(const CreateParams& params) override;
  void destroy(Handle window) override;
  bool exists(Handle window) const override { return tree_.find(window) != nullptr; }
  void set_parent(Handle window, Handle parent) override;
  Geometry geometry(Handle window) const override;
  void set_geometry(Handle window, Geometry g) override;
  std::string text(Handle window) const override;
  void set_text(Handle window, std::string_view gbk) override;
  bool enabled(Handle window) const override;
  void set_enabled(Handle window, bool on) override;
  bool visible(Handle window) const override;
  void set_visible(Handle window, bool on) override;
  void set_focus(Handle window) override;
  Handle focus() const override { return focused_; }
  void set_tab_order(Handle parent, const std::vector<Handle>& order) override;
  void set_font(Handle window, const Font& font) override;
  void show_frame(Handle frame) override;

  std::pair<int, int> edit_selection(Handle edit) const override;
  void edit_set_selection(Handle edit, int start, int end) override;
  void edit_replace_selection(Handle edit, std::string_view gbk) override;
  void edit_scroll_caret(Handle edit) override;
  void edit_append(Handle edit, std::string_view gbk, size_t limit, size_t trim_to) override;

  void combo_add_item(Handle combo, std::string_view gbk) override;
  int combo_count(Handle combo) const override;
  std::string combo_item(Handle combo, int index) const override;
  int combo_current(Handle combo) const override;
  void combo_set_current(Handle combo, int index) override;

  void ip_set(Handle ip, const uint8_t parts[4]) override;
  void ip_clear(Handle ip) override;
  bool ip_blank(Handle ip) const override;
  void ip_get(Handle ip, uint8_t parts[4]) const override;

  void label_set_style(Handle label, const LabelStyle& style) override;

  void post(Handle window, uint32_t code, uintptr_t wparam, intptr_t lparam) override;
  void post_quit(int code) override;
  bool quit_requested() const override { return quit_; }
  int quit_code() const override { return quit_code_; }
  void process_pending() override;
  bool wait(int timeout_ms) override;
  uint32_t tick_count() const override { return page::tick_ms(); }
  void set_timer(Handle window, uint32_t timer_id, uint32_t period_ms) override;
  void kill_timer(Handle window, uint32_t timer_id) override;

  int message_box(std::string_view text_gbk, std::string_view caption_gbk, uint32_t style) override;

  std::unique_ptr<SerialDevice> open_serial(const std::string& path, SerialError& error) override;

  [[noreturn]] void exit_process(int code) override;

 private:
  struct Window {
    Handle handle = 0;
    Handle parent = 0;
    WidgetKind kind = WidgetKind::Hidden;
    Geometry geometry;
    bool visible = false, enabled = true;
    bool multi_line = false;
    int combo_style = 1;
    bool sorted = false;
    // The user edited the combo box's field since an item was last chosen or selected by
    // the program: the box reports no selection.
    bool combo_edited = false;
    int case_conversion = 0;
    std::string hidden_text;  // a hidden window's text
    int64_t log_bytes = -1;   // a multi-line box's GBK length as edit_append keeps it; -1 unknown
  };

  void dispatch(const page::Queued& e);
  void on_key(Handle target, int key, int mods);
  void on_char(Handle target, uint32_t code_point);
  void move_focus(Handle to);
  bool takes_input(Handle h) const;

  WindowTree<Window> tree_;
  Handle focused_ = 0;
  int focus_reporting_ = 0;
  bool frame_shown_ = false;
  bool ready_said_ = false;
  PostedQueue posted_;
  std::set<std::pair<Handle, uint32_t>> timers_;
  std::map<int, int> answers_;  // message box id -> the button pressed
  int boxes_open_ = 0;
  bool quit_ = false;
  int quit_code_ = 0;
};

}  // namespace platform::web
