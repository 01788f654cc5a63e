// The label control: a window of the backend's own class that paints its caption,
// background, optional painted frame and text effect from a LabelStyle.
#pragma once

#include <windows.h>

#include "platform/win32/win32_backend_state.h"

namespace platform::win32 {

void paint_label(Win32BackendState& state, HWND hwnd);
// The width (at 96 DPI) a label needs to show its caption whole. A single-line, left-aligned
// caption wider than the label is not cut off: the window grows to the right to show it,
// as text drawn without clipping would; 0 for every other label.
int label_width_needed(Win32BackendState& state, const Window& label);
// Drawing flags for a caption: horizontal alignment, then either word wrap from the top or
// a single line placed by the vertical alignment.
UINT caption_flags(const LabelStyle& style);

}  // namespace platform::win32
