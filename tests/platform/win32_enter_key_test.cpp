// Enter in a one-line field on Windows: the form sees the key, and the character the key
// then makes never reaches the field (a native one-line edit control beeps at it); a
// multi-line box, such as the traffic monitor, still gets it.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <vector>

#include "platform/win32/win32_window_backend.h"
#include "tests/platform/headless_recording_sink.h"

namespace enter_key_test {

std::vector<WPARAM> g_chars_seen;  // WM_CHAR codes that reached a field, in order

LRESULT CALLBACK record_chars(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
  if (msg == WM_CHAR) g_chars_seen.push_back(wparam);
  return DefSubclassProc(hwnd, msg, wparam, lparam);
}

TEST(Win32EnterKey, OneLineFieldsNeverGetTheCharacterItMakes) {
  platform::win32::Win32WindowBackend b;
  headless_test::RecordingSink sink;
  b.set_sink(&sink);
  platform::CreateParams p;
  p.kind = platform::WidgetKind::Frame;
  p.geometry = {0, 0, 300, 200};
  p.visible = true;
  const platform::Handle frame = b.create(p);
  p.kind = platform::WidgetKind::Edit;
  p.parent = frame;
  p.tab_stop = true;
  p.geometry = {10, 10, 100, 20};
  const platform::Handle one_line = b.create(p);
  p.geometry = {10, 40, 200, 60};
  p.edit.multi_line = true;
  const platform::Handle monitor = b.create(p);
  b.show_frame(frame);
  b.process_pending();

  for (platform::Handle field : {one_line, monitor}) {
    const HWND hwnd = static_cast<HWND>(b.typing_window(field));
    ASSERT_NE(hwnd, nullptr);
    SetWindowSubclass(hwnd, record_chars, 1, 0);
    b.set_focus(field);
    g_chars_seen.clear();
    sink.log.clear();
    // As a keyboard's Enter arrives: the key, which the message loop turns into a character.
    PostMessageW(hwnd, WM_KEYDOWN, VK_RETURN, 1 | (0x1C << 16));  // repeat 1, scan code of Enter
    b.process_pending();
    PostMessageW(hwnd, WM_CHAR, L'\n', 1);  // Ctrl+Enter's character
    b.process_pending();
    PostMessageW(hwnd, WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC01C0001));
    b.process_pending();
    ASSERT_FALSE(sink.log.empty());
    EXPECT_EQ(sink.log.front(), "Key 2 " + std::to_string(field)) << "the form sees Enter first";
    if (field == one_line) {
      EXPECT_TRUE(g_chars_seen.empty()) << "the one-line field got character " << g_chars_seen.front();
      EXPECT_EQ(sink.log.size(), 1u) << "and nothing changed in it";
    } else {
      EXPECT_EQ(g_chars_seen, (std::vector<WPARAM>{L'\r', L'\n'}));
    }
    RemoveWindowSubclass(hwnd, record_chars, 1);
  }
  b.destroy(frame);
  b.set_sink(nullptr);
}

}  // namespace enter_key_test
