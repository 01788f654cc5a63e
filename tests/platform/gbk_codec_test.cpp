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

}  // namespace
