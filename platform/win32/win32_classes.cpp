// The backend's own window classes: the form's frame, the painted label and the hidden
// window that receives the queue's wake-ups and the timers; and the subclass that lets a
// group box pass its controls' notifications on.
#include <windows.h>

#include <commctrl.h>

#include "platform/win32/win32_backend_state.h"
#include "platform/win32/win32_label.h"

namespace platform::win32 {

const wchar_t kFrameClass[] = L"DtuSetupFrame";
const wchar_t kLabelClass[] = L"DtuSetupLabel";
const wchar_t kMessageClass[] = L"DtuSetupMessages";

namespace {

Win32BackendState* state_of(HWND hwnd) {
  return reinterpret_cast<Win32BackendState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

// The backend state rides in the creation parameters and is kept in the window's user data.
Win32BackendState* attach_state(HWND hwnd, UINT msg, LPARAM lparam) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  return state_of(hwnd);
}

// What a frame and a group box both do for the controls they hold.
bool container_message(Win32BackendState* state, UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  switch (msg) {
    case WM_COMMAND:
      if (lparam == 0) return false;
      state->on_command(reinterpret_cast<HWND>(lparam), HIWORD(wparam));
      result = 0;
      return true;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
      if (HBRUSH brush = state->control_colours(reinterpret_cast<HWND>(lparam), reinterpret_cast<HDC>(wparam))) {
        result = reinterpret_cast<LRESULT>(brush);
        return true;
      }
      return false;
    default:
      return false;
  }
}

LRESULT CALLBACK frame_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  Win32BackendState* state = attach_state(hwnd, msg, lparam);
  if (!state) return DefWindowProcW(hwnd, msg, wparam, lparam);
  LRESULT result = 0;
  if (container_message(state, msg, wparam, lparam, result)) return result;
  const Handle h = state->handle_of(hwnd);
  switch (msg) {
    case WM_CLOSE:
      if (h) state->notify(h, Notify::CloseRequest);  // the runtime decides, and destroys the frame itself
      return 0;
    case WM_MOVE:
      if (h) state->notify(h, Notify::Moved);
      break;
    case WM_SIZE:
      if (h && wparam != SIZE_MINIMIZED) state->notify(h, Notify::Resized);
      break;
    case WM_DPICHANGED: {
      if (h) state->rescale_frame(h, HIWORD(wparam));
      const RECT* r = reinterpret_cast<const RECT*>(lparam);
      SetWindowPos(hwnd, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_ACTIVATE:
      // Coming back to the window puts Windows' focus where the form has it.
      if (LOWORD(wparam) != WA_INACTIVE && h && state->windows.frame_of(state->focused()) == h) {
        state->sync_native_focus();
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

LRESULT CALLBACK label_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  Win32BackendState* state = attach_state(hwnd, msg, lparam);
  if (state) {
    switch (msg) {
      case WM_ERASEBKGND: return 1;  // painting covers the whole window
      case WM_PAINT:
        paint_label(*state, hwnd);
        return 0;
      default: break;
    }
  }
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

LRESULT CALLBACK message_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  Win32BackendState* state = attach_state(hwnd, msg, lparam);
  if (state) {
    if (msg == kWakeMessage) {
      state->posted.woken();
      state->deliver_posted_messages();
      return 0;
    }
    if (msg == WM_TIMER) {
      state->timer_fired(wparam);
      return 0;
    }
  }
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

// Group boxes hold controls: their notifications and colour requests go to the backend, and the
// inside is painted in the face colour, since the native group box leaves it to its parent.
LRESULT CALLBACK group_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR data) {
  auto* state = reinterpret_cast<Win32BackendState*>(data);
  LRESULT result = 0;
  if (container_message(state, msg, wparam, lparam, result)) return result;
  if (msg == WM_ERASEBKGND) {
    RECT r;
    GetClientRect(hwnd, &r);
    FillRect(reinterpret_cast<HDC>(wparam), &r, GetSysColorBrush(COLOR_BTNFACE));
    return 1;
  }
  if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, group_proc, 0);
  return DefSubclassProc(hwnd, msg, wparam, lparam);
}

void register_class(const wchar_t* name, WNDPROC proc, UINT style, HBRUSH background) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = style;
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  RegisterClassExW(&wc);  // fails harmlessly when a second backend registers again
}

}  // namespace

void register_classes() {
  register_class(kFrameClass, frame_proc, CS_DBLCLKS, GetSysColorBrush(COLOR_BTNFACE));
  register_class(kLabelClass, label_proc, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, nullptr);
  register_class(kMessageClass, message_proc, 0, nullptr);
}

void subclass_group_box(HWND group, Win32BackendState* state) {
  SetWindowSubclass(group, group_proc, 0, reinterpret_cast<DWORD_PTR>(state));
}

}  // namespace platform::win32
