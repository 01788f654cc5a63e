// Text at the toolkit boundary: the system's GBK bytes on one side, QString on the other,
// and the mapping between byte offsets (what callers count in) and QString positions.
#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform::qt {

// GBK -> QString; invalid sequences show as U+FFFD instead of failing.
QString from_gbk(std::string_view gbk);
// QString -> GBK; a character with no GBK form becomes '?', so the result always exists.
std::string to_gbk(const QString& text);

// GBK byte counts and offsets as platform/gbk_offsets.h gives them. `crlf` counts a line
// feed as the two bytes CR LF.
// GBK byte length of a whole text.
int gbk_length(QStringView text, bool crlf);
// Position in `text` of GBK byte offset `offset`, clamped to the text; an offset in the
// middle of a two-byte character rounds down to its start.
int position_of_offset(QStringView text, int offset, bool crlf);
// GBK byte offset of position `pos` (clamped to the text).
int offset_of_position(QStringView text, int pos, bool crlf);
// Positions at the start of `text` that hold at least `bytes` GBK bytes, in whole characters.
int positions_holding(QStringView text, int64_t bytes, bool crlf);

// Line ends: the callers' texts use CR LF, multi-line editors hold bare LF.
QString crlf_to_lf(QString text);
QString lf_to_crlf(const QString& text);

}  // namespace platform::qt
