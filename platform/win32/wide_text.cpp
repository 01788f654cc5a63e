#include "platform/win32/wide_text.h"

#include <windows.h>

#include <algorithm>
#include <climits>

namespace platform::win32 {
namespace {

constexpr UINT kGbk = 936;

std::optional<std::wstring> to_wide(UINT code_page, std::string_view text) {
  if (text.empty()) return std::wstring();
  if (text.size() > INT_MAX) return std::nullopt;
  const int size = static_cast<int>(text.size());
  const int n = MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  if (n <= 0) return std::nullopt;
  std::wstring out(static_cast<size_t>(n), L'\0');
  if (MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, text.data(), size, out.data(), n) != n) return std::nullopt;
  return out;
}

// UTF-8 reports unconvertible input through WC_ERR_INVALID_CHARS; other code pages through
// the "default character used" flag, with best-fit mapping off.
std::optional<std::string> from_wide(UINT code_page, std::wstring_view text) {
  if (text.empty()) return std::string();
  if (text.size() > INT_MAX) return std::nullopt;
  const int size = static_cast<int>(text.size());
  const bool utf8 = code_page == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL defaulted = FALSE;
  BOOL* defaulted_out = utf8 ? nullptr : &defaulted;
  const int n = WideCharToMultiByte(code_page, flags, text.data(), size, nullptr, 0, nullptr, defaulted_out);
  if (n <= 0 || defaulted) return std::nullopt;
  std::string out(static_cast<size_t>(n), '\0');
  if (WideCharToMultiByte(code_page, flags, text.data(), size, out.data(), n, nullptr, defaulted_out) != n ||
      defaulted)
    return std::nullopt;
  return out;
}

}  // namespace

std::optional<std::wstring> utf8_to_wide(std::string_view utf8) { return to_wide(CP_UTF8, utf8); }
std::optional<std::string> wide_to_utf8(std::wstring_view wide) { return from_wide(CP_UTF8, wide); }
std::optional<std::wstring> gbk_to_wide(std::string_view gbk) { return to_wide(kGbk, gbk); }
std::optional<std::string> wide_to_gbk(std::wstring_view wide) { return from_wide(kGbk, wide); }

std::optional<std::wstring> path_to_wide(std::string_view utf8_path) {
  auto wide = utf8_to_wide(utf8_path);
  // An embedded zero would cut the path short at the Windows call: a different file.
  if (wide && wide->find(L'\0') != std::wstring::npos) return std::nullopt;
  return wide;
}

std::string path_from_wide(std::wstring_view wide_path) {
  std::string out = wide_to_utf8(wide_path).value_or(std::string());
  std::replace(out.begin(), out.end(), '\\', '/');
  return out;
}

}  // namespace platform::win32
