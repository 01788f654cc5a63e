// What every backend whose controls hold Unicode counts a text's GBK bytes as: what the
// system's conversion writes for each character, on each system's own conversion (iconv,
// code page 936, the page's table). Positions are UTF-16 units, the text UTF-16 or UTF-8.
#include "platform/gbk_offsets.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/gbk_codec.h"

namespace {

TEST(GbkCount, ACharacterCountsWhatTheConversionWritesForIt) {
  EXPECT_EQ(platform::gbk_width(U'A'), 1);
  EXPECT_EQ(platform::gbk_width(U'\x4E2D'), 2);  // 中
  // U+20AC is the code page's one byte 0x80 (common power-up noise), both ways.
  EXPECT_EQ(platform::gbk_width(U'\x20AC'), 1);
  EXPECT_EQ(platform::utf8_to_gbk("\xE2\x82\xAC"), std::string("\x80"));
  EXPECT_EQ(platform::gbk_to_utf8_lossy("\x80"), "\xE2\x82\xAC");
  // What the code page lacks is written as one '?': Thai, an emoji, U+FFFD.
  EXPECT_EQ(platform::utf8_to_gbk("\xE0\xB8\x81"), std::nullopt);
  EXPECT_EQ(platform::gbk_width(U'\x0E01'), 1);
  EXPECT_EQ(platform::gbk_width(U'\x1F600'), 1);
  EXPECT_EQ(platform::gbk_width(U'\xFFFD'), 1);
  EXPECT_EQ(platform::gbk_width(U'\x0E01'), 1) << "the width kept is the one converted";
}

// 中 € a LF ก emoji b: the same counts from UTF-16 and from UTF-8.
TEST(GbkCount, OffsetsCountGbkBytesPositionsUtf16Units) {
  const std::u16string wide = u"\x4E2D\x20AC" u"a\n\x0E01\xD83D\xDE00" u"b";
  const std::string utf8 = "\xE4\xB8\xAD\xE2\x82\xAC" "a\n\xE0\xB8\x81\xF0\x9F\x98\x80" "b";
  for (bool from_utf8 : {false, true}) {
    SCOPED_TRACE(from_utf8 ? "UTF-8" : "UTF-16");
    const auto length = [&](bool crlf) {
      return from_utf8 ? platform::gbk_length(utf8, crlf) : platform::gbk_length(wide, crlf);
    };
    const auto offset_at = [&](int64_t units) {
      return from_utf8 ? platform::gbk_offset_at(utf8, units, true) : platform::gbk_offset_at(wide, units, true);
    };
    const auto units_at = [&](int64_t offset) {
      return from_utf8 ? platform::units_at_gbk_offset(utf8, offset, true)
                       : platform::units_at_gbk_offset(wide, offset, true);
    };
    const auto holding = [&](int64_t bytes) {
      return from_utf8 ? platform::units_holding(utf8, bytes, true) : platform::units_holding(wide, bytes, true);
    };
    EXPECT_EQ(length(false), 2 + 1 + 1 + 1 + 1 + 1 + 1);
    EXPECT_EQ(length(true), 2 + 1 + 1 + 2 + 1 + 1 + 1);  // the line feed is CR LF to the program
    EXPECT_EQ(offset_at(1), 2);                          // after 中
    EXPECT_EQ(offset_at(2), 3);                          // after €
    EXPECT_EQ(offset_at(4), 6);                          // after the line break
    EXPECT_EQ(offset_at(5), 7);                          // after ก
    EXPECT_EQ(offset_at(6), 8);                          // between the emoji's halves: the emoji counted
    EXPECT_EQ(offset_at(7), 8);
    EXPECT_EQ(offset_at(99), 9);                         // clamped
    EXPECT_EQ(units_at(1), 0);                           // inside 中: its start
    EXPECT_EQ(units_at(2), 1);
    EXPECT_EQ(units_at(3), 2);
    EXPECT_EQ(units_at(5), 3);                           // inside CR LF: before it
    EXPECT_EQ(units_at(7), 5);
    EXPECT_EQ(units_at(8), 7);                           // after the emoji, both halves
    EXPECT_EQ(units_at(99), 8);
    EXPECT_EQ(holding(1), 1);                            // 中 holds the first byte
    EXPECT_EQ(holding(3), 2);
    EXPECT_EQ(holding(4), 3);
    EXPECT_EQ(holding(8), 7);
    EXPECT_EQ(holding(99), 8);
  }
}

}  // namespace
