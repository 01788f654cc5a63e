// Text at the Win32 boundary: the tool's GBK bytes on one side, UTF-16 on the other, and
// the mapping between byte offsets (what callers count in) and UTF-16 positions.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace platform::win32 {

// GBK -> UTF-16; bytes that are not GBK show as U+FFFD instead of failing.
std::wstring widen(std::string_view gbk);
// UTF-16 -> GBK; a character with no GBK form becomes '?', so the result always exists.
std::string narrow(std::wstring_view wide);
// Every line break (CR LF, a lone CR or a lone LF) as CR LF, the one break an edit box shows.
std::wstring crlf_line_breaks(std::wstring_view text);
// A window's whole text.
std::wstring window_text(HWND hwnd);

// GBK byte length of a text: 1 for ASCII and for what falls back to '?', 2 otherwise.
int gbk_length(std::wstring_view text);
// Position in `text` of GBK byte offset `offset`, clamped to the text; an offset inside a
// two-byte character rounds down to its start.
int position_of_offset(std::wstring_view text, int offset);
// GBK byte offset of position `pos` (clamped to the text).
int offset_of_position(std::wstring_view text, int pos);

}  // namespace platform::win32
