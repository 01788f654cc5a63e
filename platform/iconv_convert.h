// Text converted between two encodings by the C library's iconv.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// nullopt when iconv knows neither encoding or the text does not convert.
std::optional<std::string> iconv_convert(const char* to, const char* from, std::string_view in);

}  // namespace platform
