// The frame's icon from a whole .ico file (the form's own picture data).
#pragma once

#include <windows.h>

#include <string>

namespace platform::win32 {

// The image of the file that suits `size` pixels best, scaled to it; null when the data is
// not a readable icon file.
HICON icon_from_ico(const std::string& ico, int size);

}  // namespace platform::win32
