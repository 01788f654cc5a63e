// Address texts of the IP edit box: "a.b.c.d" with blanks allowed around the whole text and
// around each part. Pure functions, so the rules can be checked without a window.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace forms {

using IpParts = std::array<uint8_t, 4>;

// The four parts of an address text, or none when the text is empty, has fewer than three
// dots, or a part lies outside 0..255. A part without digits counts as 0.
std::optional<IpParts> parse_ip_address(std::string_view text);

// "%d.%d.%d.%d".
std::string format_ip_address(const IpParts& parts);

}  // namespace forms
