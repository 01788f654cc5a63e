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

}  // namespace platform
