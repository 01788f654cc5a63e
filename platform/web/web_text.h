// Text between the program and the page: the program's GBK bytes on one side, the page's
// UTF-8 on the other. The mapping between GBK byte offsets (what the program counts in) and
// positions in the page's values is every backend's (platform/gbk_offsets.h). Multi-line
// boxes hold bare line feeds where the program's texts have CR LF.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform::web {

// GBK -> UTF-8; invalid sequences show as U+FFFD.
std::string to_utf8(std::string_view gbk);
// UTF-8 -> GBK; a character with no GBK form becomes '?'.
std::string to_gbk(std::string_view utf8);

std::string crlf_to_lf(std::string_view text);
// Every line break (CR LF, a lone CR, a lone LF) as one line feed.
std::string one_line_feed_per_break(std::string_view text);
std::string lf_to_crlf(std::string_view text);

}  // namespace platform::web
