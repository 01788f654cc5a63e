// The page's GBK (decoded by its C library, encoded through a table made from the decoder)
// and the mapping between the program's GBK offsets and positions in the page's values.
#include <gtest/gtest.h>

#include <string>

#include "platform/gbk_codec.h"
#include "platform/web/web_text.h"

namespace {

using namespace platform::web;

TEST(WebGbk, EveryTwoByteCodeEncodesBackToItself) {
  int checked = 0;
  for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const std::string code{static_cast<char>(lead), static_cast<char>(trail)};
      const auto utf8 = platform::gbk_to_utf8(code);
      if (!utf8) continue;  // no character there
      const auto back = platform::utf8_to_gbk(*utf8);
      ASSERT_TRUE(back) << std::hex << lead << trail;
      // A character with two codes comes back as the lower, which decodes to the same.
      EXPECT_EQ(platform::gbk_to_utf8(*back), utf8) << std::hex << lead << trail;
      ++checked;
    }
  }
  EXPECT_GT(checked, 21000);  // GBK's two-byte characters
}

TEST(WebGbk, EncodesAsciiAndChineseRefusesTheRest) {
  EXPECT_EQ(platform::utf8_to_gbk("OK \xE4\xB8\xAD\xE6\x96\x87"), std::string("OK \xD6\xD0\xCE\xC4"));  // 中文
  EXPECT_EQ(platform::utf8_to_gbk(std::string("a\0b", 3)), std::string("a\0b", 3));
  EXPECT_EQ(platform::utf8_to_gbk("\xF0\x9F\x98\x80"), std::nullopt);  // an emoji has no GBK form
  EXPECT_EQ(platform::utf8_to_gbk("\xE4\xB8"), std::nullopt);          // a broken sequence
  EXPECT_EQ(platform::utf8_to_gbk("\xC0\xAF"), std::nullopt);          // an overlong one
  EXPECT_EQ(to_gbk("x\xF0\x9F\x98\x80y"), "x?y");                      // shown text falls back to '?'
}

TEST(WebText, OffsetsCountGbkBytesPositionsUtf16Units) {
  const std::string s = "\xE4\xB8\xAD" "a\n" "\xF0\x9F\x98\x80" "b";  // 中 a LF emoji b
  EXPECT_EQ(gbk_length(s, false), 2 + 1 + 1 + 1 + 1);
  EXPECT_EQ(gbk_length(s, true), 2 + 1 + 2 + 1 + 1);  // the line feed is CR LF to the program
  EXPECT_EQ(gbk_offset(s, 1, true), 2);                // after 中
  EXPECT_EQ(gbk_offset(s, 3, true), 5);                // after the line break
  EXPECT_EQ(gbk_offset(s, 5, true), 6);                // after the emoji (two units, '?' in GBK)
  EXPECT_EQ(gbk_offset(s, 99, true), 7);               // clamped
  EXPECT_EQ(units_at_offset(s, 1, true), 0);           // inside 中: its start
  EXPECT_EQ(units_at_offset(s, 3, true), 2);
  EXPECT_EQ(units_at_offset(s, 4, true), 2);           // inside CR LF: before it
  EXPECT_EQ(units_at_offset(s, 6, true), 5);
  EXPECT_EQ(units_at_offset(s, 99, true), 6);
  EXPECT_EQ(units_holding(s, 1, true), 1);             // 中 holds the first byte
  EXPECT_EQ(units_holding(s, 4, true), 3);
}

TEST(WebText, LineEndsAndTypedCharacters) {
  EXPECT_EQ(crlf_to_lf("a\r\nb\rc\r\n"), "a\nb\rc\n");
  EXPECT_EQ(lf_to_crlf("a\nb\n"), "a\r\nb\r\n");
  EXPECT_EQ(gbk_code("A"), 0x41u);
  EXPECT_EQ(gbk_code("\xE4\xB8\xAD"), 0xD6D0u);
  EXPECT_EQ(utf8_of(0x4E2D), "\xE4\xB8\xAD");
  EXPECT_EQ(utf8_of(0x1F600), "\xF0\x9F\x98\x80");
}

}  // namespace
