#include "runtime/library/gbk_text.h"

#include <limits>

namespace rt::gbk {
namespace {

constexpr unsigned char kFullWidthSpaceByte = 0xA1;

unsigned char byte_at(std::string_view text, size_t pos) { return static_cast<unsigned char>(text[pos]); }

char fold_ascii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool matches_at(std::string_view haystack, size_t pos, std::string_view needle, bool ignore_case) {
  for (size_t i = 0; i < needle.size(); ++i) {
    char a = haystack[pos + i], b = needle[i];
    if (ignore_case ? fold_ascii(a) != fold_ascii(b) : a != b) return false;
  }
  return true;
}

// The ASCII counterpart of a full-width pair, or 0 when the pair has none.
char ascii_of_pair(unsigned char lead, unsigned char trail) {
  if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) return static_cast<char>(trail - 0x80);
  if (lead == 0xA1) {
    if (trail == 0xA1) return ' ';
    if (trail == 0xAB) return '~';
    if (trail == 0xEE || trail == 0xEF) return '*';
  }
  return 0;
}

bool is_c_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

size_t blank_length(std::string_view text, size_t pos) {
  if (text[pos] == ' ') return 1;
  if (pos + 1 < text.size() && byte_at(text, pos) == kFullWidthSpaceByte && byte_at(text, pos + 1) == kFullWidthSpaceByte)
    return 2;
  return 0;
}

std::string fold_full_width(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) {
    size_t n = char_length(text, pos);
    char ascii = n == 2 ? ascii_of_pair(byte_at(text, pos), byte_at(text, pos + 1)) : 0;
    if (ascii)
      out += ascii;
    else
      out.append(text.substr(pos, n));
    pos += n;
  }
  return out;
}

int32_t parse_int(std::string_view ascii) {
  size_t pos = 0;
  while (pos < ascii.size() && is_c_space(ascii[pos])) ++pos;
  bool negative = false;
  if (pos < ascii.size() && (ascii[pos] == '+' || ascii[pos] == '-')) negative = ascii[pos++] == '-';
  // Accumulate the magnitude with a ceiling just above the 32-bit range, then saturate.
  constexpr int64_t kCeiling = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  int64_t magnitude = 0;
  for (; pos < ascii.size() && ascii[pos] >= '0' && ascii[pos] <= '9'; ++pos) {
    magnitude = magnitude * 10 + (ascii[pos] - '0');
    if (magnitude > kCeiling) magnitude = kCeiling;
  }
  int64_t value = negative ? -magnitude : magnitude;
  if (value > std::numeric_limits<int32_t>::max()) value = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(value);
}

int64_t find(std::string_view haystack, std::string_view needle, size_t from, bool ignore_case) {
  for (size_t pos = from; pos <= haystack.size() && haystack.size() - pos >= needle.size();
       pos += char_length(haystack, pos)) {
    if (matches_at(haystack, pos, needle, ignore_case)) return static_cast<int64_t>(pos);
    if (pos == haystack.size()) break;  // only an empty needle gets here
  }
  return -1;
}

std::string_view trim_blanks(std::string_view text) {
  size_t begin = 0;
  for (size_t n; begin < text.size() && (n = blank_length(text, begin)) != 0;) begin += n;
  // Walk forward so a trail byte is never mistaken for the start of a blank; the result
  // ends where the last run of blanks begins.
  size_t end = text.size(), run_start = text.size();
  bool in_run = false;
  for (size_t pos = begin; pos < text.size();) {
    size_t blank = blank_length(text, pos);
    if (blank && !in_run) run_start = pos;
    in_run = blank != 0;
    pos += blank ? blank : char_length(text, pos);
  }
  if (in_run) end = run_start;
  return text.substr(begin, end - begin);
}

std::string remove_blanks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) {
    size_t blank = blank_length(text, pos);
    size_t n = blank ? blank : char_length(text, pos);
    if (!blank) out.append(text.substr(pos, n));
    pos += n;
  }
  return out;
}

std::vector<std::string_view> split(std::string_view text, std::string_view delimiter, size_t max_count) {
  std::vector<std::string_view> parts;
  size_t segment = 0, pos = 0;
  while (parts.size() < max_count && text.size() - pos >= delimiter.size()) {
    if (matches_at(text, pos, delimiter, false)) {
      parts.push_back(text.substr(segment, pos - segment));
      pos += delimiter.size();
      segment = pos;
      continue;
    }
    if (pos == text.size()) break;
    if (is_lead(text[pos]) && pos + 1 >= text.size()) break;  // a lead byte before the end
    pos += char_length(text, pos);
  }
  if (parts.size() < max_count && segment < text.size()) parts.push_back(text.substr(segment));
  return parts;
}

}  // namespace rt::gbk
