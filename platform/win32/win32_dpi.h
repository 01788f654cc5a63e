// DPI awareness: the form's layout is given in pixels at 96 DPI and scaled by the DPI of the
// monitor its window is on. The calls that know about monitors exist only on newer Windows,
// so they are looked up at run time; older systems get the system DPI.
#pragma once

#include <windows.h>

namespace platform::win32 {

// Per-monitor aware (version 2 where available), else system aware. Harmless when the
// application manifest has said so already.
void enable_dpi_awareness();
// The DPI of the primary monitor, where a new window is placed.
int system_dpi();
// The DPI of the monitor the window is on.
int window_dpi(HWND hwnd);
// The outer rectangle of a window whose client area is `client`, at `dpi`.
void adjust_window_rect(RECT& client, DWORD style, DWORD ex_style, int dpi);
// A system metric (scroll bar width, ...) at `dpi`.
int metric(int index, int dpi);

}  // namespace platform::win32
