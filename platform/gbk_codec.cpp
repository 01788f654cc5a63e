// The lossy form, on top of each system's exact conversions (iconv on POSIX, code page 936
// on Windows).
#include "platform/gbk_codec.h"

namespace platform {

std::string gbk_to_utf8_lossy(std::string_view gbk) {
  std::string out;
  size_t i = 0;
  while (i < gbk.size()) {
    unsigned char c = static_cast<unsigned char>(gbk[i]);
    size_t n = (c >= 0x80 && i + 1 < gbk.size()) ? 2 : 1;
    if (auto piece = gbk_to_utf8(gbk.substr(i, n)); piece && (c < 0x80 || n == 2)) {
      out += *piece;
    } else {
      out += "\xEF\xBF\xBD";
      n = 1;
    }
    i += n;
  }
  return out;
}

}  // namespace platform
