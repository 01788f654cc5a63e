// Text at the Win32 boundary: the tool's GBK bytes on one side, UTF-16 on the other, and
// the mapping between byte offsets (what callers count in) and UTF-16 positions.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform::win32 {

// GBK -> UTF-16; bytes that are not GBK show as U+FFFD instead of failing.
std::wstring widen(std::string_view gbk);
// UTF-16 -> GBK; a character with no GBK form becomes '?', so the result always exists.
std::string narrow(std::wstring_view wide);
// A window's whole text.
std::wstring window_text(HWND hwnd);

// GBK byte counts and offsets as platform/gbk_offsets.h gives them (line breaks as the
// box holds them, CR LF).
// GBK byte length of a text.
int gbk_length(std::wstring_view text);
// Position in `text` of GBK byte offset `offset`, clamped to the text; an offset inside a
// two-byte character rounds down to its start.
int position_of_offset(std::wstring_view text, int offset);
// GBK byte offset of position `pos` (clamped to the text).
int offset_of_position(std::wstring_view text, int pos);
// Characters (UTF-16 units) at the start of `text` that hold at least `bytes` GBK bytes, in
// whole characters.
size_t chars_holding(std::wstring_view text, int64_t bytes);

}  // namespace platform::win32
