// The focus model. The backend's own `focused` handle is what the form sees; Windows' focus
// follows it. Moves made by set_focus report FocusOut then FocusIn before returning; moves
// the user makes (a click into a field) are noticed after the message that made them has
// been dispatched and reported then. Activation changes (another program, a message box,
// an open list) are not focus moves within the form and are not reported.
#include "platform/focus_move.h"
#include "platform/win32/win32_backend_state.h"

namespace platform::win32 {

// Between FocusOut and FocusIn nothing has the focus. A sink that moves the focus from
// inside FocusOut wins: its move stands and this one is abandoned.
void Win32BackendState::set_focus(Handle to) {
  if (to != 0 && !find(to)) return;
  if (focused != to && !move_focus(to)) return;
  sync_native_focus();
}

// Reports the move; false when a handler moved the focus elsewhere meanwhile (its own move
// then stands and has synced Windows' focus already).
bool Win32BackendState::move_focus(Handle to) {
  return report_focus_move(focused, focus_dispatch_, to, [this](Handle h) { return find(h) != nullptr; },
                           [this](Handle h, Notify what) { notify(h, what); });
}

// A control Windows cannot focus now (hidden, disabled) keeps the form's focus without
// Windows' focus, as a native window would; it gets it back when it is enabled again.
void Win32BackendState::sync_native_focus() {
  ++native_focus_mute;
  const Window* w = find(focused);
  if (w && w->hwnd) {
    if (IsWindowVisible(w->hwnd) && IsWindowEnabled(w->hwnd) && handle_of(GetFocus()) != focused) SetFocus(w->hwnd);
  } else if (HWND current = GetFocus(); current && handle_of(current) != 0) {
    SetFocus(nullptr);
  }
  --native_focus_mute;
}

// Only our own windows count: a message box's button, or no focus at all while another
// program is active, is not the user leaving a field.
void Win32BackendState::follow_native_focus() {
  if (native_focus_mute > 0 || focus_dispatch_ > 0 || message_boxes_open > 0) return;
  const Handle target = handle_of(GetFocus());
  if (target == 0 || target == focused) return;
  move_focus(target);
  // A handler may have kept the focus where it was; Windows must agree with the form.
  if (handle_of(GetFocus()) != focused) sync_native_focus();
}

// After a modal box closes, the frame that had the focus is made active again and Windows'
// focus put back where the form has it.
void Win32BackendState::reactivate_frame() {
  Handle frame = frame_of(focused);
  if (frame == 0) frame = last_frame_shown;
  const Window* w = find(frame);
  if (!w || !w->hwnd || !IsWindowVisible(w->hwnd)) return;
  ++native_focus_mute;
  SetActiveWindow(w->hwnd);
  --native_focus_mute;
  sync_native_focus();
}

}  // namespace platform::win32
