// GBK in the page's program. The C library it is built with decodes GBK (its tables cover
// all of it) but cannot encode into it, so encoding looks each character up in a table made
// once, on first use, from the decoder: every two-byte code decoded, sorted by character.
// U+20AC is the single byte 0x80 both ways, as the code page (and the other systems' GBK)
// have it.
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/gbk_codec.h"
#include "platform/iconv_convert.h"

namespace platform {
namespace {

// Decodes one UTF-8 code point at `i` (advanced past it); false for a broken sequence.
bool next_code_point(std::string_view s, size_t& i, uint32_t& c) {
  const auto b = static_cast<unsigned char>(s[i++]);
  if (b < 0x80) {
    c = b;
    return true;
  }
  const int more = b >= 0xF8 ? -1 : b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC2 ? 1 : -1;
  if (more < 0) return false;
  c = b & (0x3F >> more);
  for (int k = 0; k < more; ++k) {
    if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return false;
    c = (c << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
  }
  return true;
}

// (character, GBK code) for every two-byte code, sorted by character; a character with two
// codes keeps the lower.
const std::vector<std::pair<uint32_t, uint16_t>>& encoder() {
  static const std::vector<std::pair<uint32_t, uint16_t>> table = [] {
    std::vector<std::pair<uint32_t, uint16_t>> t;
    iconv_t cd = iconv_open("UTF-8", "GBK");
    if (cd == reinterpret_cast<iconv_t>(-1)) return t;
    t.reserve(24000);
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
      for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
        if (trail == 0x7F) continue;
        char in[2] = {static_cast<char>(lead), static_cast<char>(trail)}, out[8];
        char* src = in;
        char* dst = out;
        size_t src_left = 2, dst_left = sizeof out;
        if (iconv(cd, &src, &src_left, &dst, &dst_left) == static_cast<size_t>(-1) || src_left != 0) {
          iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
          continue;
        }
        size_t i = 0;
        uint32_t c = 0;
        const std::string_view decoded(out, sizeof out - dst_left);
        if (next_code_point(decoded, i, c) && i == decoded.size() && c >= 0x80)
          t.emplace_back(c, static_cast<uint16_t>(lead << 8 | trail));
      }
    }
    iconv_close(cd);
    std::stable_sort(t.begin(), t.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    t.erase(std::unique(t.begin(), t.end(), [](const auto& a, const auto& b) { return a.first == b.first; }), t.end());
    return t;
  }();
  return table;
}

}  // namespace

// The C library's GBK lacks the code page's one-byte U+20AC (0x80 where a character starts):
// read here, the text between converted by the library.
std::optional<std::string> gbk_to_utf8(std::string_view gbk) {
  std::string out;
  size_t run = 0, i = 0;
  const auto convert_run = [&](size_t end) {
    if (end == run) return true;
    const std::optional<std::string> piece = iconv_convert("UTF-8", "GBK", gbk.substr(run, end - run));
    if (piece) out += *piece;
    return piece.has_value();
  };
  while (i < gbk.size()) {
    const auto c = static_cast<unsigned char>(gbk[i]);
    if (c == 0x80) {
      if (!convert_run(i)) return std::nullopt;
      out += "\xE2\x82\xAC";
      run = ++i;
      continue;
    }
    i += c >= 0x81 && i + 1 < gbk.size() ? 2 : 1;
  }
  if (!convert_run(gbk.size())) return std::nullopt;
  return out;
}

std::optional<std::string> utf8_to_gbk(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    uint32_t c = 0;
    if (!next_code_point(utf8, i, c)) return std::nullopt;
    if (c < 0x80) {
      out += static_cast<char>(c);
      continue;
    }
    if (c == 0x20AC) {
      out += '\x80';
      continue;
    }
    const auto& t = encoder();
    auto it = std::lower_bound(t.begin(), t.end(), c, [](const auto& e, uint32_t v) { return e.first < v; });
    if (it == t.end() || it->first != c) return std::nullopt;
    out += static_cast<char>(it->second >> 8);
    out += static_cast<char>(it->second & 0xFF);
  }
  return out;
}

}  // namespace platform
