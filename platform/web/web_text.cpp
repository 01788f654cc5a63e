#include "platform/web/web_text.h"

#include "platform/gbk_codec.h"

namespace platform::web {
namespace {

// One code point of UTF-8 at `i` (advanced past it); U+FFFD for a broken sequence.
uint32_t next_code_point(std::string_view s, size_t& i) {
  const auto b = static_cast<unsigned char>(s[i++]);
  if (b < 0x80) return b;
  const int more = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : -1;
  if (more < 0) return 0xFFFD;
  uint32_t c = b & (0x3F >> more);
  for (int k = 0; k < more; ++k) {
    if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 0xFFFD;
    c = (c << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
  }
  return c;
}

}  // namespace

std::string to_utf8(std::string_view gbk) { return platform::gbk_to_utf8_lossy(gbk); }

std::string to_gbk(std::string_view utf8) {
  if (auto whole = platform::utf8_to_gbk(utf8)) return *whole;
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    const size_t start = i;
    next_code_point(utf8, i);
    auto one = platform::utf8_to_gbk(utf8.substr(start, i - start));
    out += one ? *one : std::string("?");
  }
  return out;
}

std::string crlf_to_lf(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

std::string one_line_feed_per_break(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      out += text[i];
    } else if (i + 1 >= text.size() || text[i + 1] != '\n') {
      out += '\n';  // a lone CR
    }
  }
  return out;
}

std::string lf_to_crlf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

uint32_t gbk_code(std::string_view one_char) {
  uint32_t code = 0;
  for (unsigned char b : to_gbk(one_char)) code = (code << 8) | b;
  return code;
}

std::string utf8_of(uint32_t c) { return platform::utf8_of(c); }

}  // namespace platform::web
