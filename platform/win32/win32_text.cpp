#include "platform/win32/win32_text.h"

#include <algorithm>

#include "platform/gbk_codec.h"
#include "platform/gbk_offsets.h"
#include "platform/win32/wide_text.h"

namespace platform::win32 {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t));
std::u16string_view utf16(std::wstring_view text) {
  return {reinterpret_cast<const char16_t*>(text.data()), text.size()};
}

}  // namespace

std::wstring widen(std::string_view gbk) {
  if (auto exact = gbk_to_wide(gbk)) return *exact;
  return utf8_to_wide(gbk_to_utf8_lossy(gbk)).value_or(std::wstring());
}

std::string narrow(std::wstring_view wide) {
  if (auto whole = wide_to_gbk(wide)) return *whole;
  // Some character has no GBK form: convert one character at a time and mark the misses, so
  // the rest of the text survives intact.
  std::string out;
  for (size_t i = 0; i < wide.size();) {
    const bool pair = wide[i] >= 0xD800 && wide[i] <= 0xDBFF && i + 1 < wide.size();
    const size_t len = pair ? 2 : 1;
    const auto one = wide_to_gbk(wide.substr(i, len));
    out += one ? *one : std::string("?");
    i += len;
  }
  return out;
}

std::wstring window_text(HWND hwnd) {
  const int n = GetWindowTextLengthW(hwnd);
  if (n <= 0) return {};
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  const int got = GetWindowTextW(hwnd, text.data(), n + 1);
  text.resize(static_cast<size_t>(std::max(got, 0)));
  return text;
}

int gbk_length(std::wstring_view text) { return static_cast<int>(platform::gbk_length(utf16(text), false)); }

int position_of_offset(std::wstring_view text, int offset) {
  return static_cast<int>(platform::units_at_gbk_offset(utf16(text), offset, false));
}

int offset_of_position(std::wstring_view text, int pos) {
  return static_cast<int>(platform::gbk_offset_at(utf16(text), std::max(pos, 0), false));
}

size_t chars_holding(std::wstring_view text, int64_t bytes) {
  return static_cast<size_t>(platform::units_holding(utf16(text), bytes, false));
}

}  // namespace platform::win32
