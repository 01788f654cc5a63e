// Conversion between the system's GBK text and UTF-8, used at the toolkit boundary
// and by the build-time generators. Both directions refuse invalid input instead of
// guessing, so a corrupted byte never turns into a plausible but wrong character.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// GBK bytes -> UTF-8. std::nullopt when the bytes are not valid GBK.
std::optional<std::string> gbk_to_utf8(std::string_view gbk);

// UTF-8 -> GBK bytes. std::nullopt when a character has no GBK form.
std::optional<std::string> utf8_to_gbk(std::string_view utf8);

// Lossy display form: invalid GBK sequences become U+FFFD, never an exception.
std::string gbk_to_utf8_lossy(std::string_view gbk);

// UTF-8 of one code point.
std::string utf8_of(char32_t code_point);

}  // namespace platform
