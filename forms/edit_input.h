// The edit box's input modes: which typed characters a mode admits, and how a mode rewrites
// the text when the box loses the focus. Pure functions over GBK text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace forms {

// Input modes of an edit box (the template stores the number).
namespace input_mode {
inline constexpr int kAny = 0, kReadOnly = 1, kPassword = 2, kDigitsSigned = 3, kDecimalTyping = 4,
                     kByte = 5, kShort = 6, kInt = 7, kLong = 8, kFloat = 9, kDouble = 10, kDateTime = 11;
}

// True when a typed character passes the mode's filter. Control characters always pass.
bool admits_char(int mode, uint32_t ch);

// The text a mode leaves after the focus is lost; modes outside 5..11 keep the text as it is.
std::string normalise_for_mode(int mode, std::string_view text);

}  // namespace forms
