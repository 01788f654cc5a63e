#include "forms/edit_input.h"

#include <cstdio>
#include <cstdlib>
#include <limits>

namespace forms {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view skip_blanks(std::string_view s) {
  while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
  return s;
}

// Leading integer of the text (blanks, sign, digits), saturated at the 64-bit range.
int64_t leading_integer(std::string_view s) {
  s = skip_blanks(s);
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  constexpr uint64_t kLimit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + 1;
  uint64_t v = 0;
  for (char c : s) {
    if (!is_digit(c)) break;
    v = v > (kLimit - 9) / 10 ? kLimit : v * 10 + static_cast<uint64_t>(c - '0');
  }
  if (negative) return v >= kLimit ? std::numeric_limits<int64_t>::min() : -static_cast<int64_t>(v);
  return v >= kLimit ? std::numeric_limits<int64_t>::max() : static_cast<int64_t>(v);
}

std::string clamped_integer(std::string_view s, int64_t lo, int64_t hi) {
  int64_t v = leading_integer(s);
  v = v < lo ? lo : v > hi ? hi : v;
  return std::to_string(v);
}

// Leading decimal number (sign, digits, one point, digits); no exponent, so no text can
// turn into an infinity or a not-a-number.
std::string decimal_number(std::string_view s) {
  s = skip_blanks(s);
  std::string plain;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    if (s.front() == '-') plain += '-';
    s.remove_prefix(1);
  }
  bool point = false;
  for (char c : s) {
    if (c == '.' && !point) point = true;
    else if (!is_digit(c)) break;
    plain += c;
  }
  double v = std::strtod(plain.c_str(), nullptr);
  if (v == 0) return "0";
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15g", v);
  return buf;
}

bool leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int days_in_month(int y, int m) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && leap(y) ? 29 : kDays[m - 1];
}

// Reads up to `max_digits` digits as a number; -1 when there is none.
int read_number(std::string_view& s, int max_digits) {
  int v = -1, n = 0;
  while (!s.empty() && is_digit(s.front()) && n < max_digits) {
    v = (v < 0 ? 0 : v * 10) + (s.front() - '0');
    s.remove_prefix(1);
    ++n;
  }
  return v;
}

bool take_separator(std::string_view& s, std::string_view accepted) {
  if (s.empty() || accepted.find(s.front()) == std::string_view::npos) return false;
  s.remove_prefix(1);
  return true;
}

// "Y-M-D", "Y/M/D" or "Y.M.D", optionally followed by blanks and "h:m" or "h:m:s".
// Normalised to "YYYY-MM-DD" or "YYYY-MM-DD hh:mm:ss"; empty when it does not parse.
std::string date_time(std::string_view s) {
  s = skip_blanks(s);
  int y = read_number(s, 4);
  if (y < 100 || !take_separator(s, "-/.")) return {};
  int mo = read_number(s, 2);
  if (mo < 1 || mo > 12 || !take_separator(s, "-/.")) return {};
  int d = read_number(s, 2);
  if (d < 1 || d > days_in_month(y, mo)) return {};
  char buf[32];
  s = skip_blanks(s);
  if (s.empty()) {
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, mo, d);
    return buf;
  }
  int h = read_number(s, 2), mi = -1, sec = 0;
  if (h >= 0 && take_separator(s, ":")) mi = read_number(s, 2);
  if (take_separator(s, ":")) sec = read_number(s, 2);
  if (h < 0 || h > 23 || mi < 0 || mi > 59 || sec < 0 || sec > 59 || !skip_blanks(s).empty()) return {};
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, sec);
  return buf;
}

}  // namespace

bool admits_char(int mode, uint32_t ch) {
  if (ch < 32) return true;
  const bool digit = ch >= '0' && ch <= '9';
  switch (mode) {
    case input_mode::kDigitsSigned: case input_mode::kShort: case input_mode::kInt: case input_mode::kLong:
      return digit || ch == '-';
    case input_mode::kDecimalTyping: case input_mode::kFloat: case input_mode::kDouble:
      return digit || ch == '-' || ch == '.';
    case input_mode::kByte:
      return digit;
    default:
      return true;
  }
}

std::string normalise_for_mode(int mode, std::string_view text) {
  switch (mode) {
    case input_mode::kByte: return clamped_integer(text, 0, 255);
    case input_mode::kShort: return clamped_integer(text, -32768, 32767);
    case input_mode::kInt:
      return clamped_integer(text, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    case input_mode::kLong:
      return clamped_integer(text, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max());
    case input_mode::kFloat: case input_mode::kDouble: return decimal_number(text);
    case input_mode::kDateTime: return date_time(text);
    default: return std::string(text);
  }
}

}  // namespace forms
