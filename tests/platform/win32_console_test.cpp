// Text for a console window goes in pieces the console takes (older Windows refuse one long
// write outright): a long text arrives whole and in order, with a character in two UTF-16
// halves where the first piece ends.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/console.h"

namespace console_test {

// The characters the console shows from its first cell on.
std::wstring shown(HANDLE screen, size_t count) {
  std::wstring text(count, L'\0');
  DWORD read = 0;
  ReadConsoleOutputCharacterW(screen, text.data(), static_cast<DWORD>(count), COORD{0, 0}, &read);
  text.resize(read);
  return text;
}

TEST(Win32Console, ALongTextArrivesWholeInPieces) {
  // A console of its own (the test program may have been given one it shares).
  FreeConsole();
  if (!AllocConsole()) GTEST_SKIP() << "no console to be had here (" << GetLastError() << ")";
  HANDLE screen = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(screen, INVALID_HANDLE_VALUE);
  // A screen as wide as the text is long: no line wraps to account for.
  CONSOLE_SCREEN_BUFFER_INFO info{};
  ASSERT_TRUE(GetConsoleScreenBufferInfo(screen, &info));
  const short width = 200, height = 120;  // 24 000 cells
  SetConsoleScreenBufferSize(screen, COORD{width, height});
  const HANDLE before = GetStdHandle(STD_OUTPUT_HANDLE);
  SetStdHandle(STD_OUTPUT_HANDLE, screen);

  // 20 000 cells: ASCII, with 𝄞 (U+1D11E, two halves in UTF-16) where the first piece ends.
  std::string utf8;
  std::wstring expected;
  for (int i = 0; i < 8191; ++i) {
    utf8 += static_cast<char>('a' + i % 26);
    expected += static_cast<wchar_t>(L'a' + i % 26);
  }
  utf8 += "\xF0\x9D\x84\x9E";
  expected += L"\xD834\xDD1E";
  while (expected.size() < 20000) {
    utf8 += static_cast<char>('0' + expected.size() % 10);
    expected += static_cast<wchar_t>(L'0' + expected.size() % 10);
  }
  platform::console_write(platform::ConsoleStream::Out, utf8);
  const std::wstring text = shown(screen, expected.size());
  SetStdHandle(STD_OUTPUT_HANDLE, before);
  CloseHandle(screen);
  FreeConsole();
  ASSERT_EQ(text.size(), expected.size());
  EXPECT_TRUE(text == expected) << "first difference at " << std::mismatch(text.begin(), text.end(), expected.begin()).first - text.begin();
}

}  // namespace console_test
