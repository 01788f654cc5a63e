// Font properties. A unit keeps its font as an optional 60-byte font description (none =
// the default GUI font). Form code reads and writes either the whole description (as 60
// bytes) or one part of it chosen by a sub-kind.
#pragma once

#include <optional>
#include <string>

#include "forms/type_data.h"
#include "forms/unit.h"
#include "platform/window_types.h"

namespace forms {

namespace font_part {
inline constexpr int kAngle = 0, kBold = 1, kItalic = 2, kUnderline = 3, kStrikeOut = 4, kSize = 5, kFace = 6;
}

// The whole description as 60 bytes (empty for the default font), and back: anything but
// exactly 60 bytes is the default font.
std::string pack_font(const Font& font);
Font unpack_font(const std::string& bytes);

// One part (sub-kind 0..6): integer parts in `integer`, the face name in `bytes`.
PropertyValue read_font_part(const Font& font, int sub_kind);
// The font with one part replaced. Angles are taken modulo 3600; a face name that is not
// 1..31 bytes long becomes the default face. Unknown sub-kinds change nothing.
Font write_font_part(const Font& font, int sub_kind, const PropertyValue& value);

// What the window system needs; none for the default GUI font.
std::optional<platform::Font> to_platform_font(const Font& font);

}  // namespace forms
