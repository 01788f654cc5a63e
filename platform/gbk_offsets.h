// Byte counts and offsets of Unicode texts as the system's GBK (code page 936) holds them, for
// every backend whose controls hold Unicode (Qt, Windows, the page). A character takes what
// the real conversion (platform/gbk_codec.h) writes for it: two bytes for most of GBK, one for
// ASCII, one for U+20AC (the code page's single byte 0x80) and one for a character it lacks
// (written as '?'). Positions are UTF-16 units, as Qt's and Windows' strings and the page's
// values count them; a text comes as UTF-16 or as UTF-8. With `crlf` a line feed counts as the
// CR LF it stands for (a multi-line box that holds bare line feeds).
#pragma once

#include <cstdint>
#include <string_view>

namespace platform {

// Bytes the code page writes for one character (1 or 2).
int gbk_width(char32_t c);

// GBK bytes of a whole text.
int64_t gbk_length(std::u16string_view text, bool crlf);
int64_t gbk_length(std::string_view utf8, bool crlf);
// The GBK offset of UTF-16 position `units` (clamped to the text; a position between the
// halves of a pair counts the pair).
int64_t gbk_offset_at(std::u16string_view text, int64_t units, bool crlf);
int64_t gbk_offset_at(std::string_view utf8, int64_t units, bool crlf);
// The UTF-16 position of GBK offset `offset` (clamped to the text; an offset inside a
// character rounds down to its start).
int64_t units_at_gbk_offset(std::u16string_view text, int64_t offset, bool crlf);
int64_t units_at_gbk_offset(std::string_view utf8, int64_t offset, bool crlf);
// UTF-16 units of the first whole characters that hold at least `bytes` GBK bytes (the whole
// text when it holds fewer).
int64_t units_holding(std::u16string_view text, int64_t bytes, bool crlf);
int64_t units_holding(std::string_view utf8, int64_t bytes, bool crlf);

}  // namespace platform
