// Win32WindowBackend: windows, focus, queue, timers and process services. The control-specific
// calls are in win32_controls.cpp, the message box in win32_message_box.cpp.
#include "platform/win32/win32_window_backend.h"

#include <windows.h>

#include <commctrl.h>

#include "platform/win32/process_services.h"
#include "platform/win32/serial_device.h"
#include "platform/win32/win32_backend_state.h"
#include "platform/win32/win32_label.h"

namespace platform::win32 {

Win32WindowBackend::Win32WindowBackend() : state_(std::make_unique<Win32BackendState>()) {}
// The sink may be gone already: nothing is reported from here on.
Win32WindowBackend::~Win32WindowBackend() {
  state_->sink = nullptr;
  for (Handle h : state_->windows.roots()) destroy(h);
}

void* Win32WindowBackend::native(Handle window) const {
  const Window* w = state_->find(window);
  return w ? w->hwnd : nullptr;
}

Handle Win32WindowBackend::handle_of_native(const void* hwnd) const {
  return state_->handle_of(static_cast<HWND>(const_cast<void*>(hwnd)));
}

void* Win32WindowBackend::typing_window(Handle window) const {
  const Window* w = state_->find(window);
  if (!w || !w->hwnd) return nullptr;
  if (w->kind != WidgetKind::ComboBox) return w->hwnd;
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  return GetComboBoxInfo(w->hwnd, &info) && info.hwndItem ? info.hwndItem : w->hwnd;
}

int Win32WindowBackend::dpi_of(Handle window) const { return state_->dpi_of(window); }

WindowBookkeeping& Win32WindowBackend::book() { return *state_; }
const WindowBookkeeping& Win32WindowBackend::book() const { return *state_; }

Handle Win32WindowBackend::create(const CreateParams& params) { return state_->create(params); }

void Win32WindowBackend::hide_destroyed(WindowRecord& top) { state_->hide_destroyed(static_cast<Window&>(top)); }
void Win32WindowBackend::forget_native(WindowRecord& w) { state_->forget(static_cast<Window&>(w)); }

void Win32WindowBackend::reparent_native(WindowRecord& record) {
  auto& w = static_cast<Window&>(record);
  if (!w.hwnd) return;
  ++state_->native_focus_mute;
  SetParent(w.hwnd, state_->container_hwnd(w.parent));
  --state_->native_focus_mute;
  state_->apply_geometry(w.handle, w.logical);  // the new frame may have another DPI
}

// A frame the user moved or resized reports where it is now; every other window what the
// form gave it.
Geometry Win32WindowBackend::geometry(Handle window) const {
  const Window* w = state_->find(window);
  if (!w) return {};
  if (w->kind != WidgetKind::Frame || !w->hwnd) return w->logical;
  RECT outer, client;
  GetWindowRect(w->hwnd, &outer);
  GetClientRect(w->hwnd, &client);
  return {unscale(outer.left, w->dpi), unscale(outer.top, w->dpi), unscale(client.right, w->dpi),
          unscale(client.bottom, w->dpi)};
}

void Win32WindowBackend::set_geometry(Handle window, Geometry g) { state_->apply_geometry(window, g); }

std::string Win32WindowBackend::text(Handle window) const {
  const Window* w = state_->find(window);
  if (!w) return {};
  switch (w->kind) {
    case WidgetKind::Hidden: return w->hidden_text;
    case WidgetKind::Label: return narrow(w->caption);
    case WidgetKind::IpAddress: {
      uint8_t p[4];
      ip_get(window, p);
      return ip_address_text(ip_blank(window), p);
    }
    default: return narrow(window_text(w->hwnd));
  }
}

// An edit box reports one Changed for every text it is given, even an equal one, with the
// caret at the start; a combo box's field reports none, as with the native controls.
void Win32WindowBackend::set_text(Handle window, std::string_view gbk) {
  Window* w = state_->find(window);
  if (!w) return;
  const std::wstring text = widen(gbk);
  switch (w->kind) {
    case WidgetKind::Hidden: w->hidden_text.assign(gbk); return;
    case WidgetKind::IpAddress: return;  // addresses are set part by part
    case WidgetKind::Label:
      w->caption = text;
      SetWindowTextW(w->hwnd, text.c_str());
      state_->apply_geometry(window, w->logical);  // a longer caption may need more room
      InvalidateRect(w->hwnd, nullptr, TRUE);
      return;
    case WidgetKind::ComboBox:
      if (w->combo_style == 2) return;
      ++w->changed_mute;
      SetWindowTextW(w->hwnd, text.c_str());
      --w->changed_mute;
      return;
    case WidgetKind::Edit:
      ++w->changed_mute;
      SetWindowTextW(w->hwnd, (w->multi_line ? crlf_line_breaks(text) : text).c_str());
      --w->changed_mute;
      state_->notify(window, Notify::Changed);
      return;
    default:
      SetWindowTextW(w->hwnd, text.c_str());
      return;
  }
}

// Disabling the focused control takes Windows' focus away from it but leaves the form's
// where it is (nothing is reported); it is given back when the control is enabled again.
void Win32WindowBackend::enable_native(WindowRecord& record) {
  auto& w = static_cast<Window&>(record);
  if (!w.hwnd) return;
  ++state_->native_focus_mute;
  EnableWindow(w.hwnd, w.enabled);
  --state_->native_focus_mute;
  if (w.enabled && state_->focused() == w.handle) state_->sync_native_focus();
}

void Win32WindowBackend::show_native(WindowRecord& record) {
  auto& w = static_cast<Window&>(record);
  if (!w.hwnd) return;
  ++state_->native_focus_mute;
  ShowWindow(w.hwnd, w.visible ? SW_SHOWNA : SW_HIDE);
  --state_->native_focus_mute;
}

void Win32WindowBackend::sync_native_focus() { state_->sync_native_focus(); }

void Win32WindowBackend::set_font(Handle window, const Font& font) {
  Window* w = state_->find(window);
  if (!w) return;
  w->font = font;
  state_->apply_font(*w);
  if (w->kind == WidgetKind::Label) {
    state_->apply_geometry(window, w->logical);
    InvalidateRect(w->hwnd, nullptr, TRUE);
  }
}

// Activation gives an unfocused program's keyboard focus to the frame itself.
void Win32WindowBackend::show_frame(Handle frame) {
  Window* w = state_->find(frame);
  if (!w || !w->hwnd) return;
  w->visible = true;
  ++state_->native_focus_mute;
  if (w->centre_on_screen) state_->centre(*w);
  ShowWindow(w->hwnd, SW_SHOW);
  SetForegroundWindow(w->hwnd);
  UpdateWindow(w->hwnd);
  --state_->native_focus_mute;
  state_->frame_shown(frame);
  state_->sync_native_focus();
}

// ---- queue, timers, process

void Win32WindowBackend::wake_ui_thread() { state_->wake(); }

void Win32WindowBackend::process_pending() { state_->process_pending(); }

bool Win32WindowBackend::wait(int timeout_ms) { return state_->wait(timeout_ms); }

uint32_t Win32WindowBackend::tick_count() const { return platform::win32::tick_count(); }

void Win32WindowBackend::set_timer(Handle window, uint32_t timer_id, uint32_t period_ms) {
  state_->set_timer(window, timer_id, period_ms);
}

void Win32WindowBackend::kill_timer(Handle window, uint32_t timer_id) { state_->kill_timer(window, timer_id); }

std::unique_ptr<SerialDevice> Win32WindowBackend::open_serial(const std::string& path, SerialError& error) {
  return open_serial_device(path, error);
}

void Win32WindowBackend::exit_process(int code) { platform::win32::exit_process(code); }

}  // namespace platform::win32
