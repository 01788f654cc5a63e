// The user's input on Windows. The keyboard is seen in the message loop before a key is
// dispatched: the form sees every key first (Tab walks, Enter, Esc), and typed characters are
// taken as the shared rule says (WindowBookkeeping::type_char); pasted text and text an input
// method inserts whole are not offered, as with the native controls. Focus moves the user
// makes (a click into a field) are noticed after the message that made them has been
// dispatched; activation changes (another program, a message box, an open list) are not focus
// moves within the form. The controls' notifications report clicks, edits and choices.
#include "platform/win32/win32_backend_state.h"

namespace platform::win32 {
namespace {

bool down(int vk) { return GetKeyState(vk) < 0; }

KeyPress translate(WPARAM vk) {
  KeyPress k;
  k.shift = down(VK_SHIFT);
  k.ctrl = down(VK_CONTROL);
  k.alt = down(VK_MENU);
  switch (vk) {
    case VK_TAB: k.key = Key::Tab; break;
    case VK_RETURN: k.key = Key::Enter; break;
    case VK_ESCAPE: k.key = Key::Escape; break;
    case VK_F1: k.key = Key::F1; break;
    default: k.key = Key::Other; break;
  }
  return k;
}

// The window that takes typed text for a control: an edit box itself, or an editable combo
// box's edit field.
bool types_into(const Window& w, HWND target) {
  if (w.kind == WidgetKind::Edit) return target == w.hwnd;
  return w.kind == WidgetKind::ComboBox && w.combo_style != 2 && target != w.hwnd;
}

}  // namespace

bool Win32BackendState::pretranslate(MSG& msg) {
  if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
    const Handle h = handle_of(msg.hwnd);
    if (h == 0 || windows.frame_of(h) == 0) return false;
    return offer_key(h, translate(msg.wParam));
  }
  if (msg.message != WM_CHAR) return false;
  const Handle h = handle_of(msg.hwnd);
  const Window* w = find(h);
  if (!w || !types_into(*w, msg.hwnd)) return false;
  const auto typed = static_cast<wchar_t>(msg.wParam);
  if (typed >= 0xDC00 && typed <= 0xDFFF) {  // the second half goes where the first went
    const bool drop = drop_low_surrogate_;
    drop_low_surrogate_ = false;
    return drop;
  }
  // The character Enter (or Ctrl+Enter) makes after the form has seen the key: a one-line
  // field has no use for it and would beep.
  if ((typed == L'\r' || typed == L'\n') && !(GetWindowLongW(msg.hwnd, GWL_STYLE) & ES_MULTILINE)) return true;
  const Typed taken = type_char(h, typed);
  if (taken.gone) return true;  // the filter destroyed the control
  if (typed >= 0xD800 && typed <= 0xDBFF) drop_low_surrogate_ = !taken.taken;
  msg.wParam = static_cast<WPARAM>(taken.ch);
  return !taken.taken;
}

// Only our own windows count: a message box's button, or no focus at all while another
// program is active, is not the user leaving a field.
void Win32BackendState::follow_native_focus() {
  const Handle target = handle_of(GetFocus());
  if (target != 0 && follow_user_focus(target)) sync_native_focus();
}

void Win32BackendState::on_command(HWND control, int code) {
  const Handle h = handle_of(control);
  Window* w = find(h);
  if (!w || w->hwnd != control) return;
  const bool by_user = w->changed_mute == 0;
  switch (w->kind) {
    case WidgetKind::Edit:
    case WidgetKind::IpAddress:
      if (code == EN_CHANGE && by_user) notify(h, Notify::Changed);
      return;
    case WidgetKind::Button:
      if (code == BN_CLICKED) notify(h, Notify::Clicked);
      return;
    case WidgetKind::ComboBox:
      if (by_user && code == CBN_EDITCHANGE) notify(h, Notify::Edited);
      if (by_user && code == CBN_SELCHANGE) notify(h, Notify::Chosen);
      return;
    default:
      return;
  }
}

}  // namespace platform::win32
