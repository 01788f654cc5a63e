// Windows' side of the focus. The bookkeeping's focused window is what the form sees;
// Windows' focus follows it. Moves made by set_focus report FocusOut then FocusIn before
// returning; moves the user makes (a click into a field) are noticed after the message that
// made them has been dispatched and reported then. Activation changes (another program, a message box,
// an open list) are not focus moves within the form and are not reported.
#include "platform/win32/win32_backend_state.h"

namespace platform::win32 {

// A control Windows cannot focus now (hidden, disabled) keeps the form's focus without
// Windows' focus, as a native window would; it gets it back when it is enabled again.
void Win32BackendState::sync_native_focus() {
  ++native_focus_mute;
  const Window* w = find(focused());
  if (w && w->hwnd) {
    if (IsWindowVisible(w->hwnd) && IsWindowEnabled(w->hwnd) && handle_of(GetFocus()) != focused()) SetFocus(w->hwnd);
  } else if (HWND current = GetFocus(); current && handle_of(current) != 0) {
    SetFocus(nullptr);
  }
  --native_focus_mute;
}

// Only our own windows count: a message box's button, or no focus at all while another
// program is active, is not the user leaving a field.
void Win32BackendState::follow_native_focus() {
  if (native_focus_mute > 0 || reporting_focus() || message_boxes_open > 0) return;
  const Handle target = handle_of(GetFocus());
  if (target == 0 || target == focused()) return;
  move_focus(target);
  // A handler may have kept the focus where it was; Windows must agree with the form.
  if (handle_of(GetFocus()) != focused()) sync_native_focus();
}

// After a modal box closes, the frame that had the focus is made active again and Windows'
// focus put back where the form has it.
void Win32BackendState::reactivate_frame() {
  const Window* w = find(frame_to_reactivate());
  if (!w || !w->hwnd || !IsWindowVisible(w->hwnd)) return;
  ++native_focus_mute;
  SetActiveWindow(w->hwnd);
  --native_focus_mute;
  sync_native_focus();
}

}  // namespace platform::win32
