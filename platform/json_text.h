// JSON as the console program prints it, the journal keeps it and the page's scripts take
// it, through the JSON library, in one place: the library's headers are large, and only
// this file's unit reads them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

// A JSON string, quotes included, written as these texts have always been written (stored
// journals and the scripts that read the console program compare them byte for byte): UTF-8
// as it is; control characters other than \n \r \t, and DEL, as \u00XX with capital hex
// digits. Bytes that are not UTF-8 become U+FFFD, so the text is always JSON.
std::string json_string(std::string_view utf8);

// The members of a JSON object whose values are all strings, in the order the text gives
// them (a key named twice comes twice); none for anything else: text that is not JSON, a
// value of another kind, anything before or after the object.
using JsonMembers = std::vector<std::pair<std::string, std::string>>;
std::optional<JsonMembers> json_string_members(std::string_view json);

}  // namespace platform
