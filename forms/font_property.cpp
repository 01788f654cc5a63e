#include "forms/font_property.h"

#include <algorithm>
#include <cstring>

#include "dtu_forms_messages.h"

namespace forms {
namespace {

void put32(std::string& b, size_t at, int32_t v) { std::memcpy(b.data() + at, &v, 4); }
int32_t get32(const std::string& b, size_t at) {
  int32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

constexpr size_t kFaceAt = 28, kFaceSize = 32;

// The default GUI font spelled out, for reading a part of "no font".
LogFont default_font() {
  LogFont f;
  f.height = -12;
  f.face = msg::text_at(msg::default_face);
  return f;
}

}  // namespace

std::string pack_font(const Font& font) {
  if (!font) return {};
  std::string b(kLogFontSize, '\0');
  put32(b, 0, font->height);
  put32(b, 4, font->width);
  put32(b, 8, font->escapement);
  put32(b, 12, font->orientation);
  put32(b, 16, font->weight);
  const uint8_t bytes[8] = {font->italic, font->underline, font->strike_out, font->charset,
                            font->out_precision, font->clip_precision, font->quality, font->pitch_and_family};
  std::memcpy(b.data() + 20, bytes, 8);
  std::memcpy(b.data() + kFaceAt, font->face.data(), std::min(font->face.size(), kFaceSize - 1));
  return b;
}

Font unpack_font(const std::string& b) {
  if (b.size() != kLogFontSize) return std::nullopt;
  LogFont f;
  f.height = get32(b, 0);
  f.width = get32(b, 4);
  f.escapement = get32(b, 8);
  f.orientation = get32(b, 12);
  f.weight = get32(b, 16);
  uint8_t* fields[8] = {&f.italic, &f.underline, &f.strike_out, &f.charset,
                        &f.out_precision, &f.clip_precision, &f.quality, &f.pitch_and_family};
  for (int i = 0; i < 8; ++i) *fields[i] = static_cast<uint8_t>(b[20 + i]);
  f.face.assign(b.data() + kFaceAt, strnlen(b.data() + kFaceAt, kFaceSize - 1));
  return f;
}

PropertyValue read_font_part(const Font& font, int sub_kind) {
  const LogFont f = font ? *font : default_font();
  PropertyValue v;
  switch (sub_kind) {
    case font_part::kAngle: v.integer = f.escapement; break;
    case font_part::kBold: v.integer = f.weight >= 700; break;
    case font_part::kItalic: v.integer = f.italic != 0; break;
    case font_part::kUnderline: v.integer = f.underline != 0; break;
    case font_part::kStrikeOut: v.integer = f.strike_out != 0; break;
    case font_part::kSize: v.integer = f.height; break;
    case font_part::kFace: v.bytes = f.face; break;
    default: break;
  }
  return v;
}

Font write_font_part(const Font& font, int sub_kind, const PropertyValue& value) {
  LogFont f = font ? *font : default_font();
  const uint8_t on = value.integer != 0;
  switch (sub_kind) {
    case font_part::kAngle: f.escapement = f.orientation = static_cast<int32_t>(value.integer % 3600); break;
    case font_part::kBold: f.weight = on ? 700 : 400; break;
    case font_part::kItalic: f.italic = on; break;
    case font_part::kUnderline: f.underline = on; break;
    case font_part::kStrikeOut: f.strike_out = on; break;
    case font_part::kSize: f.height = static_cast<int32_t>(value.integer); break;
    case font_part::kFace:
      f.face = !value.bytes.empty() && value.bytes.size() <= 31 ? value.bytes : msg::text_at(msg::default_face);
      break;
    default: return font;
  }
  return f;
}

std::optional<platform::Font> to_platform_font(const Font& font) {
  if (!font) return std::nullopt;
  platform::Font out;
  out.face = font->face;
  out.height = font->height;
  out.weight = font->weight;
  out.italic = font->italic != 0;
  out.underline = font->underline != 0;
  out.strike_out = font->strike_out != 0;
  return out;
}

}  // namespace forms
