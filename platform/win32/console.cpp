// The console on Windows. Text goes to a console window through the wide API, so Chinese
// shows whatever the console's code page is. To a file or pipe it goes, as Windows' own
// console programs write it, in the console's output code page (PowerShell and cmd read a
// native program's output in it: `$r = dtu-setup-cli read --json ...` on a Chinese Windows
// reads code page 936), in UTF-8 where the process has no console or UTF-8 was asked for (a
// parent reading its children's lines asks them for it). Stop requests are the console's
// control events and, for a child of ours, the parent's stop events.
#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <climits>
#include <cwchar>
#include <string>
#include <thread>

#include "platform/console.h"
#include "platform/win32/stop_events.h"

namespace platform {

namespace {

constexpr int kInterruptStatus = 130, kTerminateStatus = 143;  // 128 + SIGINT, 128 + SIGTERM
// Windows ends a process this long after the close event's handler began; the stop closes
// the port and exits well within it.
constexpr DWORD kCloseGraceMs = 4500;
// The console takes at most this many characters in one write: older Windows refuse a
// longer one outright (the console's buffer for one call is small), and nothing is shown.
constexpr DWORD kConsolePiece = 8192;

std::function<void(int, const char*)>* g_on_stop = nullptr;
std::atomic<ConsoleEncoding> g_encoding{ConsoleEncoding::System};
std::atomic<DWORD> g_output_error{0};  // the first failed write to standard output

void note_lost(ConsoleStream stream) {
  DWORD none = 0;
  const DWORD error = GetLastError();
  if (stream == ConsoleStream::Out) g_output_error.compare_exchange_strong(none, error != 0 ? error : ERROR_WRITE_FAULT);
}

BOOL WINAPI on_console_event(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      (*g_on_stop)(kInterruptStatus, "SIGINT");
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      (*g_on_stop)(kTerminateStatus, "SIGTERM");
      // Returning lets Windows end the process at once: wait for the stop to end it.
      Sleep(kCloseGraceMs);
      return TRUE;
    default:
      return FALSE;
  }
}

// A parent's stop requests, when this process was started as a child of ours.
void watch_parent_stop_events() {
  wchar_t base[256];
  const DWORD n = GetEnvironmentVariableW(win32::kStopEventVariable, base, 256);
  if (n == 0 || n >= 256) return;
  SetEnvironmentVariableW(win32::kStopEventVariable, nullptr);  // not passed on to programs it starts
  HANDLE events[2] = {OpenEventW(SYNCHRONIZE, FALSE, win32::interrupt_event_name(base).c_str()),
                      OpenEventW(SYNCHRONIZE, FALSE, win32::terminate_event_name(base).c_str())};
  if (!events[0] || !events[1]) {
    if (events[0]) CloseHandle(events[0]);
    if (events[1]) CloseHandle(events[1]);
    return;
  }
  std::thread([events] {
    for (;;) {
      const DWORD which = WaitForMultipleObjects(2, events, FALSE, INFINITE);
      if (which == WAIT_OBJECT_0)
        (*g_on_stop)(kInterruptStatus, "SIGINT");
      else if (which == WAIT_OBJECT_0 + 1)
        (*g_on_stop)(kTerminateStatus, "SIGTERM");
      else
        return;
    }
  }).detach();
}

bool write_all(HANDLE h, const char* data, size_t size) {
  while (size > 0) {
    DWORD written = 0;
    const DWORD chunk = size > 1u << 30 ? 1u << 30 : static_cast<DWORD>(size);
    if (!WriteFile(h, data, chunk, &written, nullptr) || written == 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

// Bytes that are not UTF-8 come as U+FFFD rather than cutting the line.
std::wstring widened(std::string_view utf8) {
  const int size = static_cast<int>(utf8.size());
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  if (n <= 0) return {};
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), n);
  return wide;
}

// Text for a file or pipe, in the encoding chosen; UTF-8 as it stands where the code page
// is UTF-8, unknown (no console) or refuses the text.
std::string redirected(std::string_view utf8) {
  const UINT code_page = g_encoding.load() == ConsoleEncoding::Utf8 ? CP_UTF8 : GetConsoleOutputCP();
  if (code_page == 0 || code_page == CP_UTF8) return std::string(utf8);
  const std::wstring wide = widened(utf8);
  const int size = static_cast<int>(wide.size());
  const int n = WideCharToMultiByte(code_page, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string(utf8);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(code_page, 0, wide.data(), size, out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace

void set_console_encoding(ConsoleEncoding encoding) { g_encoding.store(encoding); }

void console_write(ConsoleStream stream, std::string_view utf8) {
  const HANDLE h = GetStdHandle(stream == ConsoleStream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  if (h == nullptr || h == INVALID_HANDLE_VALUE || utf8.empty() || utf8.size() > INT_MAX) return;
  DWORD mode = 0;
  if (!GetConsoleMode(h, &mode)) {
    // Nobody reads any more, or the disk is full: the work goes on without its report, and
    // the exit status says it was lost.
    const std::string bytes = redirected(utf8);
    if (!write_all(h, bytes.data(), bytes.size())) note_lost(stream);
    return;
  }
  const std::wstring wide = widened(utf8);
  if (wide.empty()) return;
  const wchar_t* p = wide.data();
  size_t left = wide.size();
  while (left > 0) {
    DWORD piece = left > kConsolePiece ? kConsolePiece : static_cast<DWORD>(left);
    // A character in two halves is not cut between pieces.
    if (piece < left && p[piece - 1] >= 0xD800 && p[piece - 1] <= 0xDBFF) --piece;
    DWORD written = 0;
    if (!WriteConsoleW(h, p, piece, &written, nullptr) || written == 0) return note_lost(stream);
    p += written;
    left -= written;
  }
}

bool console_output_lost(std::string* why) {
  const DWORD error = g_output_error.load();
  if (error != 0 && why) {
    wchar_t text[256] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text, 256, nullptr);
    std::wstring wide(text);
    while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L'.')) wide.pop_back();
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n, nullptr, nullptr);
    *why = utf8.empty() ? "error " + std::to_string(error) : utf8;
  }
  return error != 0;
}

std::vector<std::string> console_arguments(int, char**) {
  std::vector<std::string> args;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return args;
  // Without WC_ERR_INVALID_CHARS an unpaired surrogate comes as U+FFFD: the option parser
  // then refuses the argument by name rather than seeing it vanish.
  for (int i = 1; i < count; ++i) {
    const int length = static_cast<int>(wcslen(wide[i]));
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide[i], length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, wide[i], length, utf8.data(), n, nullptr, nullptr);
    args.push_back(std::move(utf8));
  }
  LocalFree(wide);
  return args;
}

void watch_stop_requests(std::function<void(int exit_status, const char* what)> on_stop) {
  g_on_stop = new std::function<void(int, const char*)>(std::move(on_stop));  // lives as long as the process
  SetConsoleCtrlHandler(on_console_event, TRUE);
  watch_parent_stop_events();
}

}  // namespace platform
