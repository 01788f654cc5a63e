// The Win32 backend's side of the conformance suite: keys and characters posted to the
// window that has Windows' focus, as a keyboard's would arrive, so the message loop's own
// key handling and typing filter see them; waiting in real time.
#include <windows.h>

#include "platform/win32/win32_text.h"
#include "platform/win32/win32_window_backend.h"
#include "tests/platform/conformance_driver.h"

namespace conformance {
namespace {

class Win32Driver final : public Driver {
 public:
  platform::Backend& backend() override { return backend_; }

  void press_key(platform::Handle focus, platform::Key key, bool shift) override {
    WPARAM vk = VK_SHIFT;
    switch (key) {
      case platform::Key::Tab: vk = VK_TAB; break;
      case platform::Key::Enter: vk = VK_RETURN; break;
      case platform::Key::Escape: vk = VK_ESCAPE; break;
      case platform::Key::F1: vk = VK_F1; break;
      case platform::Key::Other: break;
    }
    BYTE keys[256];
    GetKeyboardState(keys);
    const BYTE had_shift = keys[VK_SHIFT];
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    const HWND target = receiver(focus);
    PostMessageW(target, WM_KEYDOWN, vk, 1);
    backend_.process_pending();
    PostMessageW(target, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001));
    backend_.process_pending();
    keys[VK_SHIFT] = had_shift;
    SetKeyboardState(keys);
  }

  void type_text(platform::Handle window, const std::string& gbk) override {
    const HWND target = static_cast<HWND>(backend_.typing_window(window));
    for (wchar_t c : platform::win32::widen(gbk)) {
      PostMessageW(target, WM_CHAR, c, 1);
      backend_.process_pending();
    }
  }

  // The list's choice as the control reports it: the item selected and CBN_SELCHANGE sent to
  // the box's parent, which is what a click in the open list does.
  void choose_item(platform::Handle combo, int index) override {
    const HWND box = static_cast<HWND>(backend_.native(combo));
    if (!box) return;
    SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(GetParent(box), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box), CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
  }

  bool caret_in_view(platform::Handle edit) override {
    const HWND box = static_cast<HWND>(backend_.native(edit));
    if (!box) return false;
    DWORD end = 0;
    SendMessageW(box, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&end));
    // The position just past the last character is not reported on every system: the
    // character before the caret stands in for it.
    LRESULT at = SendMessageW(box, EM_POSFROMCHAR, end, 0);
    if (at == -1 && end > 0) at = SendMessageW(box, EM_POSFROMCHAR, end - 1, 0);
    if (at == -1) return false;
    RECT shown;
    SendMessageW(box, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&shown));
    const int y = static_cast<short>(HIWORD(at));
    return y >= shown.top && y < shown.bottom;
  }

 private:
  // Keys go to the window that has Windows' focus inside the control, as a keyboard's would.
  HWND receiver(platform::Handle window) const {
    const HWND focus = GetFocus();
    if (focus && backend_.handle_of_native(focus) == window) return focus;
    return static_cast<HWND>(backend_.typing_window(window));
  }

  platform::win32::Win32WindowBackend backend_;
};

}  // namespace

std::unique_ptr<Driver> make_windowed_driver() { return std::make_unique<Win32Driver>(); }
const char* const kWindowedDriverName = "Win32";

}  // namespace conformance
