// Colours as the form gives them (0x00BBGGRR, or the button face) at the GDI boundary.
#pragma once

#include <windows.h>

#include "platform/window_types.h"

namespace platform::win32 {

COLORREF to_colorref(Colour colour);
void fill(HDC dc, const RECT& rect, Colour colour);

}  // namespace platform::win32
