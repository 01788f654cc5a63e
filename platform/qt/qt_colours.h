// Colours and edges shared by the painted controls.
#pragma once

#include <QColor>
#include <QFrame>
#include <QPalette>

#include "platform/window_types.h"

namespace platform::qt {

// A stored colour (0x00BBGGRR, or the button-face marker) as a QColor.
QColor to_qcolor(Colour colour, const QPalette& palette);

// The window edge styles 0-5 shared by edit boxes and labels: 0 none, 1 sunken client edge,
// 2 raised modal frame, 3 thin static edge, 4 modal frame around a client edge, 5 a plain
// one-pixel border.
void apply_edge(QFrame& frame, int border);

}  // namespace platform::qt
