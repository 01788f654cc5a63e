// The lossy GBK decoding the windowed backends show texts with: a byte with its top bit set
// starts a pair, and whatever is no GBK character shows as U+FFFD while the rest survives;
// 0x80 is the code page's one-byte character U+20AC on every system.
#include <gtest/gtest.h>

#include "platform/gbk_codec.h"

namespace {

constexpr const char* kBad = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

TEST(GbkLossy, KeepsValidTextAndMarksEachBadByteOnce) {
  EXPECT_EQ(platform::gbk_to_utf8_lossy("OK\r\n\xD6\xD0\xCE\xC4"), "OK\r\n\xE4\xB8\xAD\xE6\x96\x87");  // 中文
  EXPECT_EQ(platform::gbk_to_utf8_lossy(std::string("a\0b", 3)), std::string("a\0b", 3));
  // An invalid pair loses only its first byte; the second starts over.
  EXPECT_EQ(platform::gbk_to_utf8_lossy("\x81 A"), std::string(kBad) + " A");
  // 0x80 where a character starts is U+20AC, one byte, whatever follows it (power-up noise
  // shows the same on every system); as a second byte it is part of its pair.
  constexpr const char* kEuro = "\xE2\x82\xAC";
  EXPECT_EQ(platform::gbk_to_utf8_lossy("\x80\xD6\xD0"), std::string(kEuro) + "\xE4\xB8\xAD");
  EXPECT_EQ(platform::gbk_to_utf8_lossy("\x80"), kEuro);
  EXPECT_EQ(platform::gbk_to_utf8_lossy("A\x80\x80" "B"), std::string("A") + kEuro + kEuro + "B");
  EXPECT_EQ(platform::gbk_to_utf8_lossy("\xFF\x80"), std::string(kBad) + kEuro);
  EXPECT_EQ(platform::gbk_to_utf8_lossy("\x81\x80"), "\xE4\xBA\x90");  // a character whose second byte is 0x80
  EXPECT_EQ(platform::gbk_to_utf8_lossy("x\xD6"), std::string("x") + kBad);  // a lead byte at the end
  EXPECT_EQ(platform::gbk_to_utf8_lossy("\xFF\xFF\xD6\xD0"), std::string(kBad) + kBad + "\xE4\xB8\xAD");
}

// The case a box may ask typed letters in: both ways for every letter GBK holds in both
// cases; nothing else changes, not even a letter whose other case GBK lacks (it would be
// stored as '?').
TEST(GbkLetterCase, BothWaysWhereGbkHoldsBothCasesAndNowhereElse) {
  const char32_t pairs[][2] = {{U'A', U'a'},     {U'Z', U'z'},     {0x391, 0x3B1},   {0x3A9, 0x3C9},
                               {0x401, 0x451},   {0x410, 0x430},   {0x42F, 0x44F},   {0x2160, 0x2170},
                               {0x2169, 0x2179}, {0xFF21, 0xFF41}, {0xFF3A, 0xFF5A}};
  for (const auto& pair : pairs) {
    const char32_t upper = pair[0], lower = pair[1];
    EXPECT_EQ(platform::gbk_letter_case(lower, 2), upper) << std::hex << static_cast<uint32_t>(lower);
    EXPECT_EQ(platform::gbk_letter_case(upper, 1), lower) << std::hex << static_cast<uint32_t>(upper);
    EXPECT_EQ(platform::gbk_letter_case(upper, 2), upper);
    EXPECT_EQ(platform::gbk_letter_case(lower, 1), lower);
    EXPECT_EQ(platform::gbk_letter_case(lower, 0), lower);
  }
  // Neighbours of the runs, the pinyin à (GBK has no À), final sigma, Ⅺ (GBK has no ⅺ),
  // Chinese, and what lies beyond GBK.
  for (const char32_t stays : {char32_t{'@'}, char32_t{'['}, char32_t{'`'}, char32_t{'{'}, char32_t{'1'},
                               char32_t{0xE0}, char32_t{0x3C2}, char32_t{0x3A2}, char32_t{0x216A},
                               char32_t{0x4E2D}, char32_t{0x1F600}}) {
    EXPECT_EQ(platform::gbk_letter_case(stays, 1), stays) << std::hex << static_cast<uint32_t>(stays);
    EXPECT_EQ(platform::gbk_letter_case(stays, 2), stays) << std::hex << static_cast<uint32_t>(stays);
  }
}

TEST(GbkCharCode, OneOrTwoBytesAsTheFilterSeesThem) {
  EXPECT_EQ(platform::gbk_char_code(U'A'), 0x41u);
  EXPECT_EQ(platform::gbk_char_code(0x4E2D), 0xD6D0u);  // 中
  EXPECT_EQ(platform::gbk_char_code(0x3B1), 0xA6C1u);   // α
  EXPECT_EQ(platform::gbk_char_code(0x1F600), uint32_t{'?'});
}

}  // namespace
