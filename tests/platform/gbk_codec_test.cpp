// The lossy GBK decoding the windowed backend shows texts with: a byte with its top bit set
// starts a pair, and whatever is no GBK character shows as U+FFFD while the rest survives.
#include <gtest/gtest.h>

#include "platform/gbk_codec.h"

namespace {

constexpr const char* kBad = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

TEST(GbkLossy, KeepsValidTextAndMarksEachBadByteOnce) {
  EXPECT_EQ(platform::gbk_to_utf8_lossy("OK\r\n\xD6\xD0\xCE\xC4"), "OK\r\n\xE4\xB8\xAD\xE6\x96\x87");  // 中文
  EXPECT_EQ(platform::gbk_to_utf8_lossy(std::string("a\0b", 3)), std::string("a\0b", 3));
  // An invalid pair loses only its first byte; the second starts over.
  EXPECT_EQ(platform::gbk_to_utf8_lossy("\x81 A"), std::string(kBad) + " A");
  // 0x80 starts a pair too, though the code page has a single-byte character there.
  EXPECT_EQ(platform::gbk_to_utf8_lossy("\x80\xD6\xD0"), std::string(kBad) + "\xE4\xB8\xAD");
  EXPECT_EQ(platform::gbk_to_utf8_lossy("x\xD6"), std::string("x") + kBad);  // a lead byte at the end
  EXPECT_EQ(platform::gbk_to_utf8_lossy("\xFF\xFF\xD6\xD0"), std::string(kBad) + kBad + "\xE4\xB8\xAD");
}

}  // namespace
