// Win32WindowBackend: the shared bookkeeping's native side on Windows (the native windows
// behind the handles, enabled and shown, Windows' focus, destruction), the message loop and
// its timers, the message box and process services. Making, placing and filling windows is
// in win32_windows.cpp, the controls' own calls in win32_controls.cpp, the user's input in
// win32_input.cpp, the window procedures in win32_classes.cpp.
//
// post() may come from any thread: the message joins the bookkeeping's queue and one wake-up
// is posted to the hidden message window, so queued messages are dispatched by whichever loop
// runs next: the main loop, a delay, a message box's or an open list's own loop.
#include "platform/win32/win32_window_backend.h"

#include <windows.h>

#include <commctrl.h>

#include <set>

#include "platform/win32/process_services.h"
#include "platform/win32/serial_device.h"
#include "platform/win32/win32_backend_state.h"
#include "platform/win32/win32_dpi.h"

namespace platform::win32 {

// ---- the state: the native windows behind the handles

Win32BackendState::Win32BackendState() {
  enable_dpi_awareness();
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_INTERNET_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  register_classes();
  message_window = CreateWindowExW(0, kMessageClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   GetModuleHandleW(nullptr), this);
}

// The windows were destroyed, and their timers stopped, by the backend.
Win32BackendState::~Win32BackendState() {
  DestroyWindow(message_window);
  for (auto& [key, font] : fonts_) DeleteObject(font);
}

Handle Win32BackendState::handle_of(HWND hwnd) const {
  return natives.owner(hwnd, [](const void* w) -> const void* {
    return GetAncestor(static_cast<HWND>(const_cast<void*>(w)), GA_PARENT);
  });
}

// A control Windows cannot focus now (hidden, disabled) keeps the form's focus without
// Windows' focus, as a native window would; it gets it back when it is enabled again.
void Win32BackendState::sync_native_focus() {
  MutedFocus muted(*this);
  const Window* w = find(focused());
  if (w && w->hwnd) {
    if (IsWindowVisible(w->hwnd) && IsWindowEnabled(w->hwnd) && handle_of(GetFocus()) != focused()) SetFocus(w->hwnd);
  } else if (HWND current = GetFocus(); current && handle_of(current) != 0) {
    SetFocus(nullptr);
  }
}

// ---- the backend

Win32WindowBackend::Win32WindowBackend() : state_(std::make_unique<Win32BackendState>()) {}
Win32WindowBackend::~Win32WindowBackend() { close_all_windows(); }

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

// Disabling the focused control takes Windows' focus away from it but leaves the form's
// where it is (nothing is reported); it is given back when the control is enabled again.
void Win32WindowBackend::enable_native(WindowRecord& record) {
  auto& w = static_cast<Window&>(record);
  if (!w.hwnd) return;
  {
    WindowBookkeeping::MutedFocus muted(*state_);
    EnableWindow(w.hwnd, w.enabled);
  }
  if (w.enabled && state_->focused() == w.handle) state_->sync_native_focus();
}

void Win32WindowBackend::show_native(WindowRecord& record) {
  auto& w = static_cast<Window&>(record);
  if (!w.hwnd) return;
  WindowBookkeeping::MutedFocus muted(*state_);
  ShowWindow(w.hwnd, w.visible ? SW_SHOWNA : SW_HIDE);
}

void Win32WindowBackend::sync_native_focus() { state_->sync_native_focus(); }

bool Win32WindowBackend::activate_frame_native(WindowRecord& frame) {
  auto& w = static_cast<Window&>(frame);
  if (!w.hwnd || !IsWindowVisible(w.hwnd)) return false;
  WindowBookkeeping::MutedFocus muted(*state_);
  SetActiveWindow(w.hwnd);
  return true;
}

// The top window leaves the screen at once and is destroyed later with the windows inside
// it; out of its parent, so destroying the parent first cannot take it along twice.
void Win32WindowBackend::hide_destroyed(WindowRecord& record) {
  auto& top = static_cast<Window&>(record);
  HWND hwnd = top.hwnd;
  if (!hwnd) return;
  {
    WindowBookkeeping::MutedFocus muted(*state_);
    ShowWindow(hwnd, SW_HIDE);
    if (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD) SetParent(hwnd, state_->message_window);
  }
  state_->delete_later([hwnd] {
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
  });
}

void Win32WindowBackend::forget_native(WindowRecord& record) {
  auto& w = static_cast<Window&>(record);
  if (w.background_brush) DeleteObject(w.background_brush);
  for (HICON icon : {w.icon_big, w.icon_small})
    if (icon) state_->delete_later([icon] { DestroyIcon(icon); });
}

// ---- the message loop and its timers

// Asked for once while any message is pending (WindowedBackend::post); the hidden window
// delivers the queue when it arrives.
void Win32WindowBackend::wake_ui_thread() { PostMessageW(state_->message_window, kWakeMessage, 0, 0); }

// Dispatches what is in the thread's queue now. A timer that comes round again, or a second
// wake-up (a handler that posts as fast as it is called), ends the pass and waits for the
// next one, so the call always returns.
void Win32WindowBackend::process_pending() {
  Win32BackendState& s = *state_;
  s.delete_deferred();
  std::set<UINT_PTR> timers_seen;
  bool woken = false;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
    const bool ours = msg.hwnd == s.message_window;
    if (ours && msg.message == WM_TIMER && timers_seen.count(msg.wParam)) break;
    if (ours && msg.message == kWakeMessage && woken) break;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) break;
    if (ours && msg.message == WM_TIMER) timers_seen.insert(msg.wParam);
    if (ours && msg.message == kWakeMessage) woken = true;
    if (msg.message == WM_QUIT) continue;  // the loop ends on the quit request, not on this
    if (s.pretranslate(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    s.follow_native_focus();
  }
  s.delete_deferred();
}

bool Win32WindowBackend::wait(int timeout_ms) {
  Win32BackendState& s = *state_;
  s.delete_deferred();
  if (!s.posted.empty() || s.quit.requested()) return true;
  const DWORD timeout = timeout_ms < 0 ? INFINITE : static_cast<DWORD>(timeout_ms);
  const DWORD r = MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  return r == WAIT_OBJECT_0 || !s.posted.empty() || s.quit.requested();
}

uint32_t Win32WindowBackend::tick_count() const { return platform::win32::tick_count(); }

// Setting a running timer again replaces it; killing one drops a tick already queued.
uintptr_t Win32WindowBackend::start_timer_native(uintptr_t running, uint32_t period_ms) {
  const UINT_PTR id = running ? running : state_->next_timer++;
  SetTimer(state_->message_window, id, period_ms, nullptr);
  return id;
}

void Win32WindowBackend::stop_timer_native(uintptr_t native) { KillTimer(state_->message_window, native); }

// ---- the message box: MessageBoxW with no owner, task-modal (every window of the tool is
// disabled while it is open), the buttons, icon and default button the style asks for; its
// answers are the button ids the application knows. The box's own loop keeps dispatching the
// queue's wake-ups and the timers (they go to the hidden message window).

int Win32WindowBackend::show_box_native(std::string_view text_gbk, std::string_view caption_gbk, uint32_t style) {
  const std::wstring text = widen(text_gbk), caption = widen(caption_gbk);
  UINT flags = (style & (MB_TYPEMASK | MB_ICONMASK | MB_DEFMASK)) | MB_SETFOREGROUND;
  flags |= (style & kMbSystemModal) ? MB_SYSTEMMODAL : MB_TASKMODAL;
  return MessageBoxW(nullptr, text.c_str(), caption.c_str(), flags);
}

// ---- process services

std::unique_ptr<SerialDevice> Win32WindowBackend::open_serial(const std::string& path, SerialError& error) {
  return open_serial_device(path, error);
}

void Win32WindowBackend::exit_process(int code) { platform::win32::exit_process(code); }

}  // namespace platform::win32
