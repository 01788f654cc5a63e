// How many values a settings-file record holds as the tool's load will split it: the text
// up to the first zero byte, cut at each "//"; an empty remainder after a final "//" is the
// record's end, not a value. A file with fewer than thirteen would leave fields with what
// the window happened to show before, so the console program refuses it.
#pragma once

#include <cstddef>
#include <string_view>

namespace cli {

size_t settings_record_values(std::string_view record);

}  // namespace cli
