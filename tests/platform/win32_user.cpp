#include "tests/platform/win32_user.h"

#include <windows.h>

#include "platform/win32/wide_text.h"

namespace win32_user {
namespace {

using platform::win32::path_to_wide;
using platform::win32::utf8_to_wide;
using platform::win32::wide_to_utf8;

std::vector<std::string>& recorded() {
  static std::vector<std::string> all;
  return all;
}

std::string text_of(HWND w) {
  wchar_t text[1024];
  const int n = GetWindowTextW(w, text, 1024);
  return wide_to_utf8(std::wstring_view(text, n > 0 ? static_cast<size_t>(n) : 0)).value_or("");
}

// The message box's text is its longest static text (the icon is a static without text).
BOOL CALLBACK find_text(HWND child, LPARAM out) {
  wchar_t cls[16];
  if (GetClassNameW(child, cls, 16) && lstrcmpiW(cls, L"Static") == 0) {
    std::string text = text_of(child);
    auto& longest = *reinterpret_cast<std::string*>(out);
    if (text.size() > longest.size()) longest = std::move(text);
  }
  return TRUE;
}

BOOL CALLBACK answer_box(HWND w, LPARAM) {
  wchar_t cls[16];
  if (!IsWindowVisible(w) || !GetClassNameW(w, cls, 16) || lstrcmpW(cls, L"#32770") != 0) return TRUE;
  std::string text;
  EnumChildWindows(w, find_text, reinterpret_cast<LPARAM>(&text));
  recorded().push_back(text);
  PostMessageW(w, WM_COMMAND, IDOK, 0);
  return FALSE;
}

// A thread timer: dispatched by whichever loop runs, the message box's own among them.
void CALLBACK look_for_box(HWND, UINT, UINT_PTR, DWORD) { EnumThreadWindows(GetCurrentThreadId(), answer_box, 0); }

bool painting_due(HWND w) { return GetUpdateRect(w, nullptr, FALSE) != 0; }

BOOL CALLBACK child_painting_due(HWND child, LPARAM due) {
  if (painting_due(child)) *reinterpret_cast<bool*>(due) = true;
  return TRUE;
}

LRESULT CALLBACK plain_procedure(HWND w, UINT message, WPARAM wp, LPARAM lp) {
  return DefWindowProcW(w, message, wp, lp);
}

}  // namespace

void answer_message_boxes() {
  static UINT_PTR timer = 0;
  if (!timer) timer = SetTimer(nullptr, 0, 20, look_for_box);
}

const std::vector<std::string>& messages() { return recorded(); }

void click(void* hwnd) { SendMessageW(static_cast<HWND>(hwnd), BM_CLICK, 0, 0); }

bool shown_and_idle(void* hwnd) {
  const HWND top = GetAncestor(static_cast<HWND>(hwnd), GA_ROOT);
  if (!top || !IsWindowVisible(top)) return false;
  MSG msg;
  if (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) return false;
  bool due = painting_due(top);
  EnumChildWindows(top, child_painting_due, reinterpret_cast<LPARAM>(&due));
  return !due;
}

bool show_plain_window(int width, int height, int budget_ms) {
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof cls;
  cls.lpfnWndProc = plain_procedure;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
  cls.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  cls.lpszClassName = L"PlainWindow";
  RegisterClassExW(&cls);
  const DWORD style = WS_OVERLAPPEDWINDOW;
  RECT r{0, 0, width, height};
  AdjustWindowRectEx(&r, style, FALSE, 0);
  const HWND w = CreateWindowExW(0, L"PlainWindow", L"Plain", style, CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left,
                                 r.bottom - r.top, nullptr, nullptr, cls.hInstance, nullptr);
  if (!w) return false;
  const HWND caption = CreateWindowExW(0, L"STATIC", L"\u8BBE\u7F6E", WS_CHILD | WS_VISIBLE, 10, 10, 100, 20, w,
                                       nullptr, cls.hInstance, nullptr);  // 设置
  SendMessageW(caption, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  ShowWindow(w, SW_SHOW);
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (shown_and_idle(w)) return true;
    const DWORD spent = GetTickCount() - start;
    if (spent >= static_cast<DWORD>(budget_ms)) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(budget_ms) - spent, QS_ALLINPUT);
  }
}

double process_cpu_seconds() {
  FILETIME created, ended, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) return 0;
  auto seconds = [](FILETIME t) {
    return static_cast<double>(uint64_t{t.dwHighDateTime} << 32 | t.dwLowDateTime) / 1e7;  // 100 ns units
  };
  return seconds(kernel) + seconds(user);
}

bool run_host_program(const std::vector<std::string>& argv, const std::string& ready_path, int budget_ms) {
  if (argv.empty()) return false;
  // Wine's drive Z: is the host's root.
  auto host = [](const std::string& path) { return path_to_wide("Z:" + path).value_or(L""); };
  const std::wstring ready = host(ready_path), program = host(argv[0]);
  if (ready.empty() || program.empty()) return false;
  DeleteFileW(ready.c_str());
  std::wstring command;
  for (const std::string& arg : argv) {
    const std::optional<std::wstring> wide = utf8_to_wide(arg);
    if (!wide) return false;
    command += (command.empty() ? L"\"" : L" \"") + *wide + L"\"";
  }
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return false;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  for (int waited = 0; waited < budget_ms; waited += 20) {
    if (GetFileAttributesW(ready.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    Sleep(20);
  }
  return false;
}

}  // namespace win32_user
