#include "platform/win32/win32_label.h"

#include <algorithm>
#include <vector>

#include "platform/win32/win32_colours.h"

namespace platform::win32 {
namespace {

// The painted frame (border 6): concentric bands, one per usable colour, outermost first.
// Fewer than two usable colours paint no frame, and the drawing area keeps its size.
RECT paint_frame(HDC dc, const LabelStyle& style, RECT rect, int dpi) {
  const int width = scale(style.frame_width, dpi);
  if (style.border != 6 || width <= 0) return rect;
  std::vector<Colour> colours;
  for (Colour c : style.frame_colours)
    if (c != kButtonFace) colours.push_back(c);
  if (colours.size() < 2) return rect;
  const int n = static_cast<int>(colours.size());
  RECT band = rect;
  for (int i = 0; i < n; ++i) {
    fill(dc, band, colours[static_cast<size_t>(i)]);
    const int step = width * (i + 1) / n - width * i / n;
    InflateRect(&band, -step, -step);
  }
  InflateRect(&rect, -width, -width);
  return rect;
}

// Text effects: 1 sunken (white copy one pixel right and down), 2 raised (white copy in
// place, the caption itself one pixel right and down), 3 shadow (black copy two pixels
// right and down); then the caption in the text colour.
void paint_caption(HDC dc, const Window& w, RECT rect, int dpi) {
  const UINT flags = caption_flags(w.label) | DT_NOCLIP;
  const int one = std::max(1, scale(1, dpi));
  auto draw = [&](RECT r, Colour colour) {
    SetTextColor(dc, to_colorref(colour));
    DrawTextW(dc, w.caption.c_str(), static_cast<int>(w.caption.size()), &r, flags);
  };
  RECT moved = rect;
  switch (w.label.text_effect) {
    case 1: OffsetRect(&moved, one, one); draw(moved, 0xFFFFFF); break;
    case 2: draw(rect, 0xFFFFFF); OffsetRect(&rect, one, one); break;
    case 3: OffsetRect(&moved, 2 * one, 2 * one); draw(moved, 0); break;
    default: break;
  }
  draw(rect, w.label.text_colour);
}

}  // namespace

UINT caption_flags(const LabelStyle& style) {
  UINT flags = style.h_align == 1 ? DT_CENTER : style.h_align == 2 ? DT_RIGHT : DT_LEFT;
  if (style.word_wrap) return flags | DT_WORDBREAK | DT_TOP;
  flags |= DT_SINGLELINE;
  return flags | (style.v_align == 1 ? DT_VCENTER : style.v_align == 2 ? DT_BOTTOM : DT_TOP);
}

void paint_label(Win32BackendState& state, HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  const Window* w = state.find(state.handle_of(hwnd));
  if (!w || !dc) {
    EndPaint(hwnd, &ps);
    return;
  }
  const int dpi = state.dpi_of(w->handle);
  RECT client;
  GetClientRect(hwnd, &client);
  // The frame belongs to the label's own rectangle; a grown label paints its overhang as
  // background and caption only.
  RECT own = client;
  own.right = std::min(own.right, own.left + scale(w->logical.width, dpi));
  RECT inner = paint_frame(dc, w->label, own, dpi);
  if (client.right > own.right) inner.right = client.right;
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, inner.left, inner.top, inner.right, inner.bottom);
  fill(dc, inner, w->label.background);
  if (!w->caption.empty()) {
    SelectObject(dc, state.font_for(w->font, dpi));
    SetBkMode(dc, TRANSPARENT);
    paint_caption(dc, *w, inner, dpi);
  }
  RestoreDC(dc, saved);
  EndPaint(hwnd, &ps);
}

int label_width_needed(Win32BackendState& state, const Window& label) {
  const LabelStyle& s = label.label;
  if (s.border != 0 || s.word_wrap || s.h_align != 0 || label.caption.empty()) return 0;
  const int dpi = state.dpi_of(label.handle);
  HDC dc = GetDC(label.hwnd);
  if (!dc) return 0;
  HGDIOBJ old = SelectObject(dc, state.font_for(label.font, dpi));
  RECT r{0, 0, 0, 0};
  DrawTextW(dc, label.caption.c_str(), static_cast<int>(label.caption.size()), &r, DT_CALCRECT | DT_SINGLELINE);
  SelectObject(dc, old);
  ReleaseDC(label.hwnd, dc);
  return unscale(r.right - r.left, dpi) + 2;
}

}  // namespace platform::win32
