// GBK <-> UTF-8 through iconv: POSIX systems and the build-time generators.
#include "platform/gbk_codec.h"
#include "platform/iconv_convert.h"

namespace platform {

std::optional<std::string> gbk_to_utf8(std::string_view gbk) { return iconv_convert("UTF-8", "GBK", gbk); }

std::optional<std::string> utf8_to_gbk(std::string_view utf8) { return iconv_convert("GBK", "UTF-8", utf8); }

}  // namespace platform
