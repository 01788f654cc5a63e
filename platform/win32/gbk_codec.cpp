// GBK <-> UTF-8 on Windows: through Windows' own code page 936, by way of UTF-16.
#include "platform/gbk_codec.h"
#include "platform/win32/wide_text.h"

namespace platform {

std::optional<std::string> gbk_to_utf8(std::string_view gbk) {
  const std::optional<std::wstring> wide = win32::gbk_to_wide(gbk);
  return wide ? win32::wide_to_utf8(*wide) : std::nullopt;
}

std::optional<std::string> utf8_to_gbk(std::string_view utf8) {
  const std::optional<std::wstring> wide = win32::utf8_to_wide(utf8);
  return wide ? win32::wide_to_gbk(*wide) : std::nullopt;
}

}  // namespace platform
