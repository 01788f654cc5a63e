// GBK-aware text scanning shared by the text and conversion commands. Pure functions over
// byte views: a byte with its top bit set starts a two-byte character, and a lead byte at
// the very end of the text stands alone (the scan ends there, nothing is read past it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rt::gbk {

inline bool is_lead(char c) { return (static_cast<unsigned char>(c) & 0x80) != 0; }

// Length of the character starting at `pos`: 2 for a complete GBK pair, else 1.
inline size_t char_length(std::string_view text, size_t pos) {
  return is_lead(text[pos]) && pos + 1 < text.size() ? 2 : 1;
}

// Length of the blank at `pos` (0x20 = 1, full-width space 0xA1 0xA1 = 2), or 0.
size_t blank_length(std::string_view text, size_t pos);

// Replaces full-width digits, letters, punctuation and the few symbols the number parser
// accepts by their ASCII counterparts; every other character is kept.
std::string fold_full_width(std::string_view text);

// Decimal integer as the C library reads it (leading white space, optional sign, digits up
// to the first non-digit; none gives 0), saturated to the 32-bit range instead of wrapping.
int32_t parse_int(std::string_view ascii);

// 0-based byte offset of the first match of `needle` at a character boundary from `from`,
// or -1. `ignore_case` folds ASCII A-Z only.
int64_t find(std::string_view haystack, std::string_view needle, size_t from, bool ignore_case);

std::string_view trim_blanks(std::string_view text);
std::string remove_blanks(std::string_view text);

// Splits at every occurrence of `delimiter` (non-empty) found at a character boundary; at
// most `max_count` parts; a trailing empty part is not produced.
std::vector<std::string_view> split(std::string_view text, std::string_view delimiter, size_t max_count);

}  // namespace rt::gbk
