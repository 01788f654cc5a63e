// The page's GBK (decoded by its C library, encoded through a table made from the decoder):
// line ends and typed characters.
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

// The mapping between GBK offsets and positions in the page's values is every backend's:
// tests/platform/gbk_offsets_test.cpp, which runs here too.

TEST(WebText, LineEndsAndTypedCharacters) {
  EXPECT_EQ(crlf_to_lf("a\r\nb\rc\r\n"), "a\nb\rc\n");
  EXPECT_EQ(lf_to_crlf("a\nb\n"), "a\r\nb\r\n");
  EXPECT_EQ(platform::gbk_char_code(U'A'), 0x41u);
  EXPECT_EQ(platform::gbk_char_code(0x4E2D), 0xD6D0u);
  EXPECT_EQ(platform::utf8_of(0x4E2D), "\xE4\xB8\xAD");
  EXPECT_EQ(platform::utf8_of(0x1F600), "\xF0\x9F\x98\x80");
}

}  // namespace
