// The window registry: handles, the native windows behind them, subtrees and destruction.
#include <windows.h>

#include <commctrl.h>

#include "platform/win32/win32_backend_state.h"
#include "platform/win32/win32_dpi.h"

namespace platform::win32 {

Win32BackendState::Win32BackendState() {
  enable_dpi_awareness();
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_INTERNET_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  register_classes();
  message_window = CreateWindowExW(0, kMessageClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   GetModuleHandleW(nullptr), this);
}

Win32BackendState::~Win32BackendState() {
  forget_sink_calls();  // the windows were destroyed by the backend
  collect_garbage();
  for (const auto& [native, owner] : timer_owner_) KillTimer(message_window, native);
  DestroyWindow(message_window);
  for (auto& [key, font] : fonts_) DeleteObject(font);
}

Handle Win32BackendState::handle_of(HWND hwnd) const {
  for (HWND w = hwnd; w; w = GetAncestor(w, GA_PARENT)) {
    auto it = by_hwnd_.find(w);
    if (it != by_hwnd_.end()) return it->second;
  }
  return 0;
}

Handle Win32BackendState::add(std::unique_ptr<Window> window) {
  Window& added = *window;
  if (windows.add(std::move(window)) == 0) return 0;
  if (added.hwnd) by_hwnd_[added.hwnd] = added.handle;
  return added.handle;
}

// The top window leaves the screen at once and is destroyed later with the windows inside
// it (see collect_garbage).
void Win32BackendState::hide_destroyed(Window& top) {
  HWND hwnd = top.hwnd;
  if (!hwnd) return;
  ++native_focus_mute;
  ShowWindow(hwnd, SW_HIDE);
  // Out of its parent, so destroying the parent later cannot take it along twice.
  if (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD) SetParent(hwnd, message_window);
  --native_focus_mute;
  graveyard_.push_back(hwnd);
}

void Win32BackendState::forget(Window& w) {
  kill_window_timers(w.handle);
  if (w.hwnd) by_hwnd_.erase(w.hwnd);
  if (w.background_brush) DeleteObject(w.background_brush);
  if (w.icon_big) graveyard_icons_.push_back(w.icon_big);
  if (w.icon_small) graveyard_icons_.push_back(w.icon_small);
}

void Win32BackendState::collect_garbage() {
  if (in_sink_call()) return;
  const auto doomed = std::move(graveyard_);
  graveyard_.clear();
  for (HWND hwnd : doomed)
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
  for (HICON icon : graveyard_icons_) DestroyIcon(icon);
  graveyard_icons_.clear();
}

}  // namespace platform::win32
