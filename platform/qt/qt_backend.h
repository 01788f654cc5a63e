// The windowed backend: real Qt widgets for every window kind, Qt's event dispatcher for the
// message loop, Qt's timers, modal message boxes, and termios serial devices. Only this
// header is seen by the code that chooses the backend; Qt itself stays behind it.
#pragma once

#include <memory>

#include "platform/windowed_backend.h"

namespace platform::qt {

class QtBackendState;

// The widgets, Qt's event loop and its focus are Qt's; the bookkeeping is WindowedBackend's.
class QtBackend final : public WindowedBackend {
 public:
  // Creates the application object unless one exists already (tests share one), and gives
  // every window a default font that renders Chinese text.
  QtBackend(int& argc, char** argv);
  ~QtBackend() override;
  QtBackend(const QtBackend&) = delete;
  QtBackend& operator=(const QtBackend&) = delete;

  // The QWidget behind a handle (null for hidden windows and unknown handles), for tests and
  // screenshots. Returned as void* so this header needs no Qt.
  void* native(Handle window) const;
  Handle handle_of_native(const void* object) const;

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
  uint32_t tick_count() const override;
  std::unique_ptr<SerialDevice> open_serial(const std::string& path, SerialError& error) override;
  [[noreturn]] void exit_process(int code) override;

 private:
  WindowBookkeeping& book() override;
  const WindowBookkeeping& book() const override;
  void reparent_native(WindowRecord& w) override;
  void enable_native(WindowRecord& w) override;
  void show_native(WindowRecord& w) override;
  void show_frame_native(WindowRecord& frame) override;
  void order_tabs_native(Handle parent, const std::vector<Handle>& order) override;
  void sync_native_focus() override;
  void hide_destroyed(WindowRecord& top) override;
  void forget_native(WindowRecord& w) override;
  void insert_item_native(Handle combo, int index, std::string_view gbk) override;
  void wake_ui_thread() override;
  size_t append_native(WindowRecord& edit, std::string_view gbk) override;
  size_t drop_front_native(WindowRecord& edit, size_t bytes) override;
  uintptr_t start_timer_native(uintptr_t running, uint32_t period_ms) override;
  void stop_timer_native(uintptr_t native) override;
  int show_box_native(std::string_view text_gbk, std::string_view caption_gbk, uint32_t style) override;
  bool activate_frame_native(WindowRecord& frame) override;

  std::unique_ptr<QtBackendState> state_;
};

}  // namespace platform::qt
