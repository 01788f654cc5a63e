#include "platform/win32/win32_dpi.h"

namespace platform::win32 {
namespace {

template <typename F>
F user32_function(const char* name) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  return user32 ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

using SetContext = BOOL(WINAPI*)(HANDLE);
using SetAware = BOOL(WINAPI*)();
using DpiForWindow = UINT(WINAPI*)(HWND);
using DpiForSystem = UINT(WINAPI*)();
using AdjustForDpi = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
using MetricsForDpi = int(WINAPI*)(int, UINT);

}  // namespace

void enable_dpi_awareness() {
  if (auto set_context = user32_function<SetContext>("SetProcessDpiAwarenessContext")) {
    // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2, then the first per-monitor version.
    if (set_context(reinterpret_cast<HANDLE>(static_cast<intptr_t>(-4)))) return;
    if (set_context(reinterpret_cast<HANDLE>(static_cast<intptr_t>(-3)))) return;
  }
  if (auto set_aware = user32_function<SetAware>("SetProcessDPIAware")) set_aware();
}

int system_dpi() {
  if (auto for_system = user32_function<DpiForSystem>("GetDpiForSystem")) return static_cast<int>(for_system());
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

int window_dpi(HWND hwnd) {
  if (auto for_window = user32_function<DpiForWindow>("GetDpiForWindow")) {
    const UINT dpi = for_window(hwnd);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  return system_dpi();
}

void adjust_window_rect(RECT& client, DWORD style, DWORD ex_style, int dpi) {
  if (auto adjust = user32_function<AdjustForDpi>("AdjustWindowRectExForDpi")) {
    if (adjust(&client, style, FALSE, ex_style, static_cast<UINT>(dpi))) return;
  }
  AdjustWindowRectEx(&client, style, FALSE, ex_style);
}

int metric(int index, int dpi) {
  if (auto for_dpi = user32_function<MetricsForDpi>("GetSystemMetricsForDpi"))
    return for_dpi(index, static_cast<UINT>(dpi));
  return MulDiv(GetSystemMetrics(index), dpi, system_dpi());
}

}  // namespace platform::win32
