// The keyboard, seen in the message loop before a key is dispatched: the form sees every
// key first (Tab walks, Enter, Esc), and typed characters pass the edit box's typing filter.
// Pasted text and text an input method inserts whole are not offered, as with the native
// controls.
#include "platform/win32/win32_core.h"

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

// The character code the typing filter sees: the GBK byte, or lead byte * 256 + trail byte.
uint32_t gbk_code(wchar_t c) {
  uint32_t code = 0;
  for (unsigned char b : narrow(std::wstring_view(&c, 1))) code = (code << 8) | b;
  return code;
}

wchar_t convert_case(wchar_t c, int conversion) {
  wchar_t buf[2] = {c, 0};
  if (conversion == 1) CharLowerW(buf);
  if (conversion == 2) CharUpperW(buf);
  return buf[0];
}

// The window that takes typed text for a control: an edit box itself, or an editable combo
// box's edit field.
bool types_into(const Window& w, HWND target) {
  if (w.kind == WidgetKind::Edit) return target == w.hwnd;
  return w.kind == WidgetKind::ComboBox && w.combo_style != 2 && target != w.hwnd;
}

}  // namespace

bool Core::pretranslate(const MSG& msg) {
  if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
    const Handle h = handle_of(msg.hwnd);
    if (h == 0 || frame_of(h) == 0) return false;
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
  if (typed < 32 || typed == 127) return false;  // control characters always pass
  const bool accepted = offer_char(h, gbk_code(convert_case(typed, w->case_conversion)));
  if (!find(h)) return true;  // the filter destroyed the control
  if (typed >= 0xD800 && typed <= 0xDBFF) drop_low_surrogate_ = !accepted;
  return !accepted;
}

}  // namespace platform::win32
