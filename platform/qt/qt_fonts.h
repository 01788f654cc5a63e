// Fonts: the default GUI font every window starts with, and the mapping of a stored font
// description onto a QFont.
#pragma once

#include <QFont>

#include "platform/window_types.h"

namespace platform::qt {

// Chooses the application-wide default font: a face that renders Chinese text, at the
// 12-pixel size the form layouts are measured for. Call once after the QApplication exists.
void install_default_font();

// The QFont for a stored description. An empty face, or a face this machine does not
// have, keeps the default family so that no character falls back to a missing glyph.
QFont to_qfont(const Font& font);

}  // namespace platform::qt
