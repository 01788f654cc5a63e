// The JSON the console program prints and the journal keeps: made by the JSON library and
// written as these texts have always been written, since stored journals and the scripts
// that read the program's output compare them byte for byte.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

// One line, no blanks, the keys in the order they were put in, UTF-8 as it is; control
// characters other than \n \r \t, and DEL, as \u00XX with capital hex digits. Bytes that
// are not UTF-8 become U+FFFD, so the text is always JSON.
std::string json_text(const nlohmann::ordered_json& value);

// One string as json_text writes it, quotes included.
std::string json_string(std::string_view utf8);

// {"ID":...,"SS2":...}: the settings given (UTF-8, in the file order), keyed by their names.
nlohmann::ordered_json settings_object(const std::vector<std::string>& values);

}  // namespace cli
