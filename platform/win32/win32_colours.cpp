#include "platform/win32/win32_colours.h"

namespace platform::win32 {

COLORREF to_colorref(Colour colour) {
  return colour == kButtonFace ? GetSysColor(COLOR_BTNFACE) : static_cast<COLORREF>(colour & 0xFFFFFF);
}

void fill(HDC dc, const RECT& rect, Colour colour) {
  if (colour == kButtonFace) {
    FillRect(dc, &rect, GetSysColorBrush(COLOR_BTNFACE));
    return;
  }
  const COLORREF old = SetBkColor(dc, to_colorref(colour));
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);  // the cheapest solid fill
  SetBkColor(dc, old);
}

}  // namespace platform::win32
