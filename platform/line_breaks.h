// The one line break a text box shows and reads back: CR LF. Text that arrives with other
// breaks (a lone CR, a lone LF, as a DTU may send them) is shown with a break for each.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Every line break of a GBK text (CR LF, a lone CR, a lone LF) as CR LF. Neither byte is ever
// the second byte of a two-byte character, so the text is scanned byte by byte.
inline std::string crlf_line_breaks(std::string_view gbk) {
  std::string out;
  out.reserve(gbk.size());
  for (size_t i = 0; i < gbk.size(); ++i) {
    const char c = gbk[i];
    if (c != '\r' && c != '\n') {
      out += c;
      continue;
    }
    out += "\r\n";
    if (c == '\r' && i + 1 < gbk.size() && gbk[i + 1] == '\n') ++i;
  }
  return out;
}

}  // namespace platform
