// The UI thread's posted-message queue and the message loop's steps. post() may come from
// any thread: the message joins a mutex-guarded queue and one wake-up is posted to the
// hidden message window, so queued messages are dispatched by whichever loop runs next:
// the main loop, a delay, a message box's or an open list's own loop.
#include <algorithm>
#include <set>

#include "platform/win32/win32_backend_state.h"
#include "platform/win32/win32_queue.h"

namespace platform::win32 {

// Asked for once while any message is pending (WindowedBackend::post); the hidden window
// delivers the queue when it arrives.
void Win32BackendState::wake() { PostMessageW(message_window, kWakeMessage, 0, 0); }

// Dispatches what is in the thread's queue now. A timer that comes round again, or a second
// wake-up (a handler that posts as fast as it is called), ends the pass and waits for the
// next one, so the call always returns.
void Win32BackendState::process_pending() {
  collect_garbage();
  std::set<UINT_PTR> timers_seen;
  bool woken = false;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
    if (msg.hwnd == message_window && msg.message == WM_TIMER && timers_seen.count(msg.wParam)) break;
    if (msg.hwnd == message_window && msg.message == kWakeMessage && woken) break;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) break;
    if (msg.hwnd == message_window && msg.message == WM_TIMER) timers_seen.insert(msg.wParam);
    if (msg.hwnd == message_window && msg.message == kWakeMessage) woken = true;
    if (msg.message == WM_QUIT) continue;  // the loop ends on the quit request, not on this
    if (pretranslate(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    follow_native_focus();
  }
  collect_garbage();
}

bool Win32BackendState::wait(int timeout_ms) {
  collect_garbage();
  if (!posted.empty() || quit.requested()) return true;
  const DWORD timeout = timeout_ms < 0 ? INFINITE : static_cast<DWORD>(timeout_ms);
  const DWORD r = MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  return r == WAIT_OBJECT_0 || !posted.empty() || quit.requested();
}

}  // namespace platform::win32
