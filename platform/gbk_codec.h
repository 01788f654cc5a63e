// Conversion between the system's GBK text and UTF-8, used at the toolkit boundary
// and by the build-time generators. Both directions refuse invalid input instead of
// guessing, so a corrupted byte never turns into a plausible but wrong character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// GBK bytes -> UTF-8. std::nullopt when the bytes are not valid GBK.
std::optional<std::string> gbk_to_utf8(std::string_view gbk);

// UTF-8 -> GBK bytes. std::nullopt when a character has no GBK form.
std::optional<std::string> utf8_to_gbk(std::string_view utf8);

// Lossy display form: invalid GBK sequences become U+FFFD, never an exception.
std::string gbk_to_utf8_lossy(std::string_view gbk);

// UTF-8 of one code point.
std::string utf8_of(char32_t code_point);
// The code point of UTF-8 at `i`, which moves past it; U+FFFD for a broken sequence.
char32_t next_code_point(std::string_view utf8, size_t& i);

// The code a character has in GBK, as a form's typing filter sees it: its one byte, or lead byte
// x 256 + trail byte; '?' for a character GBK lacks.
uint32_t gbk_char_code(char32_t c);

// A letter in lower case (`conversion` 1) or upper case (2), where GBK holds that form of it:
// the letters of ASCII, Latin-1 and Latin Extended-A, Greek, Cyrillic, Roman numerals and
// full-width Latin. Anything else, and every character when `conversion` is 0, stays as it is.
char32_t gbk_letter_case(char32_t c, int conversion);

}  // namespace platform
