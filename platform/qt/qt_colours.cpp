#include "platform/qt/qt_colours.h"

namespace platform::qt {

QColor to_qcolor(Colour colour, const QPalette& palette) {
  if (colour == kButtonFace) return palette.color(QPalette::Button);
  return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
}

void apply_edge(QFrame& frame, int border) {
  switch (border) {
    case 1: frame.setFrameStyle(QFrame::Panel | QFrame::Sunken); frame.setLineWidth(2); break;
    case 2: frame.setFrameStyle(QFrame::Panel | QFrame::Raised); frame.setLineWidth(3); break;
    case 3: frame.setFrameStyle(QFrame::Panel | QFrame::Sunken); frame.setLineWidth(1); break;
    case 4: frame.setFrameStyle(QFrame::WinPanel | QFrame::Raised); frame.setLineWidth(4); break;
    case 5: frame.setFrameStyle(QFrame::Box | QFrame::Plain); frame.setLineWidth(1); break;
    default: frame.setFrameStyle(QFrame::NoFrame); frame.setLineWidth(0); break;
  }
}

}  // namespace platform::qt
