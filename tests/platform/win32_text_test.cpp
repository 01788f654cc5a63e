// Text at the Windows boundary: Windows' code page 936 reads the tool's GBK texts as the
// build machine wrote them, and conversions refuse what they cannot represent.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/gbk_codec.h"
#include "platform/win32/wide_text.h"

namespace {

using namespace platform::win32;

// The tool's texts, made GBK at build time by the build machine's converter, read the same
// through Windows' code page 936, and back.
TEST(Win32Text, CodePage936ReadsTheToolsGbkTexts) {
  const std::pair<const char*, const char*> texts[] = {
      {"\xD0\xC5\xCF\xA2\xCC\xE1\xCA\xBE\xB4\xB0\xBF\xDA", "信息提示窗口"},
      {"\xD0\xB4\xC8\xEB\xB3\xC9\xB9\xA6\xA3\xA1\xA3\xA1", "写入成功！！"},
      {"\xB4\xED\xCE\xF3", "错误"},
      {"\xB6\xCB\xBF\xDA", "端口"},
      {"COM3 9600", "COM3 9600"},
  };
  for (const auto& [gbk, utf8] : texts) {
    EXPECT_EQ(platform::gbk_to_utf8(gbk), std::optional<std::string>(utf8));
    EXPECT_EQ(platform::utf8_to_gbk(utf8), std::optional<std::string>(gbk));
  }
  EXPECT_EQ(platform::gbk_to_utf8_lossy("\xB4\xED\x81"), "错\xEF\xBF\xBD");
}

TEST(Win32Text, ConversionsRefuseWhatTheyCannotRepresent) {
  EXPECT_EQ(gbk_to_wide("\xB6\xCB\xBF\xDA"), std::optional<std::wstring>(L"端口"));
  EXPECT_EQ(gbk_to_wide(""), std::optional<std::wstring>(L""));
  EXPECT_EQ(gbk_to_wide("\x81"), std::nullopt);  // a lead byte cut short
  EXPECT_EQ(wide_to_gbk(L"\u0E01"), std::nullopt);  // Thai: no GBK form, no look-alike
  EXPECT_EQ(wide_to_gbk(L"\u00C0"), std::nullopt);  // no best-fit "A"
  EXPECT_EQ(utf8_to_wide("\xC3"), std::nullopt);
  EXPECT_EQ(wide_to_utf8(std::wstring(1, wchar_t(0xD800))), std::nullopt);  // unpaired surrogate
  EXPECT_EQ(path_to_wide(std::string("a\0b", 3)), std::nullopt);
  EXPECT_EQ(path_from_wide(L"C:\\程序\\dtu.exe"), "C:/程序/dtu.exe");
}

}  // namespace
