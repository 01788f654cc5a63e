// Text at the Windows boundary. Every Windows call that takes or gives text is a wide (W)
// one: paths and names, which the platform layer carries as UTF-8, and the tool's GBK text,
// converted with code page 936 by Windows itself. So the tool behaves the same whatever the
// system's ANSI code page is. Conversions refuse what they cannot represent exactly.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform::win32 {

// UTF-8 -> UTF-16; nullopt for invalid UTF-8.
std::optional<std::wstring> utf8_to_wide(std::string_view utf8);
// UTF-16 -> UTF-8; nullopt for unpaired surrogates.
std::optional<std::string> wide_to_utf8(std::wstring_view wide);

// GBK (code page 936) -> UTF-16; nullopt for bytes that are not GBK.
std::optional<std::wstring> gbk_to_wide(std::string_view gbk);
// UTF-16 -> GBK; nullopt when a character has no GBK form (never a best-fit look-alike).
std::optional<std::string> wide_to_gbk(std::wstring_view wide);

// A path for the wide calls, '/' accepted as a separator; nullopt for invalid UTF-8.
std::optional<std::wstring> path_to_wide(std::string_view utf8_path);
// A path the Windows calls gave, as UTF-8 with '/' separators ("" if it cannot be converted).
std::string path_from_wide(std::wstring_view wide_path);

}  // namespace platform::win32
