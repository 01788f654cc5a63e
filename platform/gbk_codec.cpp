// The lossy form, on top of each system's exact conversions (iconv on POSIX, code page 936
// on Windows).
#include "platform/gbk_codec.h"

namespace platform {

// Character by character, as the runtime scans texts: a byte with its top bit set starts a
// pair; a pair that is no GBK character, or such a byte alone at the end, shows as U+FFFD
// and the scan goes on with the byte after it. 0x80 where a character starts is U+20AC, the
// code page's one-byte character, on every system (common power-up noise must show the same
// everywhere, and count as the one byte it is). A text that is GBK throughout (what a DTU
// nearly always sends) is converted in one call; only a text with a bad byte is scanned, or
// one holding 0x80, which not every system's GBK reads as the code page does.
std::string gbk_to_utf8_lossy(std::string_view gbk) {
  if (gbk.find('\x80') == std::string_view::npos) {
    if (auto whole = gbk_to_utf8(gbk)) return *whole;
  }
  std::string out;
  out.reserve(gbk.size() * 3 / 2);
  size_t i = 0;
  while (i < gbk.size()) {
    unsigned char c = static_cast<unsigned char>(gbk[i]);
    if (c == 0x80) {
      out += "\xE2\x82\xAC";
      ++i;
      continue;
    }
    size_t n = (c >= 0x80 && i + 1 < gbk.size()) ? 2 : 1;
    if (auto piece = gbk_to_utf8(gbk.substr(i, n)); piece && (c < 0x80 || n == 2)) {
      out += *piece;
    } else {
      out += "\xEF\xBF\xBD";
      n = 1;
    }
    i += n;
  }
  return out;
}

std::string utf8_of(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

char32_t next_code_point(std::string_view s, size_t& i) {
  const auto b = static_cast<unsigned char>(s[i++]);
  if (b < 0x80) return b;
  const int more = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : -1;
  if (more < 0) return 0xFFFD;
  char32_t c = b & (0x3F >> more);
  for (int k = 0; k < more; ++k) {
    if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 0xFFFD;
    c = (c << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
  }
  return c;
}

uint32_t gbk_char_code(char32_t c) {
  if (c < 0x80) return c;
  const std::optional<std::string> gbk = utf8_to_gbk(utf8_of(c));
  if (!gbk || gbk->empty() || gbk->size() > 2) return '?';
  uint32_t code = 0;
  for (const unsigned char b : *gbk) code = (code << 8) | b;
  return code;
}

namespace {

// The letters GBK holds in both cases: runs of capitals, each this far below its small letters.
struct CaseRun {
  char32_t first, last;
  char32_t to_small;
};
constexpr CaseRun kCaseRuns[] = {
    {U'A', U'Z', 32},       // ASCII
    {0x391, 0x3A9, 32},     // Greek (0x3A2 is no letter; GBK lacks it)
    {0x401, 0x40F, 80},     // Cyrillic Ё and its neighbours
    {0x410, 0x42F, 32},     // Cyrillic
    {0x2160, 0x216F, 16},   // Roman numerals
    {0xFF21, 0xFF3A, 32}};  // full-width Latin

bool gbk_holds(char32_t c) { return c < 0x80 || utf8_to_gbk(utf8_of(c)).has_value(); }

}  // namespace

char32_t gbk_letter_case(char32_t c, int conversion) {
  if (conversion != 1 && conversion != 2) return c;
  for (const CaseRun& run : kCaseRuns) {
    char32_t other = c;
    if (conversion == 1 && c >= run.first && c <= run.last) other = c + run.to_small;
    if (conversion == 2 && c >= run.first + run.to_small && c <= run.last + run.to_small) other = c - run.to_small;
    if (other != c) return gbk_holds(other) ? other : c;
  }
  return c;
}

}  // namespace platform
