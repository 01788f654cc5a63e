#include "platform/gbk_offsets.h"

#include <atomic>
#include <optional>
#include <string>

#include "platform/gbk_codec.h"

namespace platform {
namespace {

int converted_width(char32_t c) {
  const std::optional<std::string> gbk = utf8_to_gbk(utf8_of(c));
  return gbk && (gbk->size() == 1 || gbk->size() == 2) ? static_cast<int>(gbk->size()) : 1;
}

// One character: its code point and the UTF-16 units it takes.
struct Char {
  char32_t c;
  int units;
};

// UTF-16: a lone half of a pair is a character of its own (the code page writes it as '?').
struct Utf16 {
  std::u16string_view s;
  size_t i = 0;
  bool done() const { return i >= s.size(); }
  Char next() {
    const char16_t u = s[i++];
    if (u >= 0xD800 && u <= 0xDBFF && i < s.size() && s[i] >= 0xDC00 && s[i] <= 0xDFFF)
      return {0x10000 + ((char32_t{u} - 0xD800) << 10) + (char32_t{s[i++]} - 0xDC00), 2};
    return {u, 1};
  }
};

// UTF-8: a broken sequence is one U+FFFD.
struct Utf8 {
  std::string_view s;
  size_t i = 0;
  bool done() const { return i >= s.size(); }
  Char next() {
    const auto b = static_cast<unsigned char>(s[i++]);
    if (b < 0x80) return {b, 1};
    const int more = b >= 0xF8 ? -1 : b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : -1;
    if (more < 0) return {0xFFFD, 1};
    char32_t c = b & (0x3F >> more);
    for (int k = 0; k < more; ++k) {
      if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return {0xFFFD, 1};
      c = (c << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    }
    return {c, c >= 0x10000 ? 2 : 1};
  }
};

int width(char32_t c, bool crlf) { return c == U'\n' && crlf ? 2 : gbk_width(c); }

template <class Text>
int64_t offset_at(Text t, int64_t units, bool crlf) {
  int64_t offset = 0, at = 0;
  while (!t.done() && at < units) {
    const Char ch = t.next();
    at += ch.units;
    offset += width(ch.c, crlf);
  }
  return offset;
}

template <class Text>
int64_t units_at(Text t, int64_t offset, bool crlf) {
  int64_t bytes = 0, units = 0;
  while (!t.done()) {
    const Char ch = t.next();
    const int w = width(ch.c, crlf);
    if (bytes + w > offset) break;
    bytes += w;
    units += ch.units;
  }
  return units;
}

template <class Text>
int64_t holding(Text t, int64_t bytes, bool crlf) {
  int64_t held = 0, units = 0;
  while (!t.done() && held < bytes) {
    const Char ch = t.next();
    held += width(ch.c, crlf);
    units += ch.units;
  }
  return units;
}

}  // namespace

// Each character of the Basic Multilingual Plane is converted once and its width kept (0:
// not known yet); the others the code page never holds.
int gbk_width(char32_t c) {
  if (c < 0x80) return 1;
  if (c > 0xFFFF) return converted_width(c);
  static std::atomic<uint8_t> known[0x10000];
  uint8_t w = known[c].load(std::memory_order_relaxed);
  if (w == 0) {
    w = static_cast<uint8_t>(converted_width(c));
    known[c].store(w, std::memory_order_relaxed);
  }
  return w;
}

int64_t gbk_length(std::u16string_view text, bool crlf) { return offset_at(Utf16{text}, INT64_MAX, crlf); }
int64_t gbk_length(std::string_view utf8, bool crlf) { return offset_at(Utf8{utf8}, INT64_MAX, crlf); }
int64_t gbk_offset_at(std::u16string_view text, int64_t units, bool crlf) { return offset_at(Utf16{text}, units, crlf); }
int64_t gbk_offset_at(std::string_view utf8, int64_t units, bool crlf) { return offset_at(Utf8{utf8}, units, crlf); }
int64_t units_at_gbk_offset(std::u16string_view text, int64_t offset, bool crlf) {
  return units_at(Utf16{text}, offset, crlf);
}
int64_t units_at_gbk_offset(std::string_view utf8, int64_t offset, bool crlf) {
  return units_at(Utf8{utf8}, offset, crlf);
}
int64_t units_holding(std::u16string_view text, int64_t bytes, bool crlf) { return holding(Utf16{text}, bytes, crlf); }
int64_t units_holding(std::string_view utf8, int64_t bytes, bool crlf) { return holding(Utf8{utf8}, bytes, crlf); }

}  // namespace platform
