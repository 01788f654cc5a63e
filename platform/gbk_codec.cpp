#include "platform/gbk_codec.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace platform {
namespace {

std::optional<std::string> convert(const char* to, const char* from, std::string_view in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out;
  std::vector<char> buf(in.size() * 4 + 16);
  char* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  bool ok = true;
  while (src_left > 0) {
    char* dst = buf.data();
    size_t dst_left = buf.size();
    size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
    out.append(buf.data(), buf.size() - dst_left);
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      ok = false;
      break;
    }
  }
  iconv_close(cd);
  if (!ok) return std::nullopt;
  return out;
}

}  // namespace

std::optional<std::string> gbk_to_utf8(std::string_view gbk) { return convert("UTF-8", "GBK", gbk); }

std::optional<std::string> utf8_to_gbk(std::string_view utf8) { return convert("GBK", "UTF-8", utf8); }

// Character by character, as the runtime scans texts: a byte with its top bit set starts a
// pair; a pair that is no GBK character, or such a byte alone at the end, shows as U+FFFD
// and the scan goes on with the byte after it. One conversion descriptor serves the text.
std::string gbk_to_utf8_lossy(std::string_view gbk) {
  iconv_t cd = iconv_open("UTF-8", "GBK");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(gbk.size(), '?');
  std::string out;
  out.reserve(gbk.size() * 3 / 2);
  size_t i = 0;
  while (i < gbk.size()) {
    const bool high = static_cast<unsigned char>(gbk[i]) >= 0x80;
    size_t n = high && i + 1 < gbk.size() ? 2 : 1;
    char piece[8];
    char* src = const_cast<char*>(gbk.data() + i);
    char* dst = piece;
    size_t src_left = n, dst_left = sizeof piece;
    if ((!high || n == 2) && iconv(cd, &src, &src_left, &dst, &dst_left) != static_cast<size_t>(-1) && src_left == 0) {
      out.append(piece, sizeof piece - dst_left);
    } else {
      iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
      out += "\xEF\xBF\xBD";
      n = 1;
    }
    i += n;
  }
  iconv_close(cd);
  return out;
}

}  // namespace platform
