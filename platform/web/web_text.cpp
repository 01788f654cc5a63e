#include "platform/web/web_text.h"

#include "platform/gbk_codec.h"

namespace platform::web {

std::string to_utf8(std::string_view gbk) { return platform::gbk_to_utf8_lossy(gbk); }

std::string to_gbk(std::string_view utf8) {
  if (auto whole = platform::utf8_to_gbk(utf8)) return *whole;
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    const size_t start = i;
    platform::next_code_point(utf8, i);
    auto one = platform::utf8_to_gbk(utf8.substr(start, i - start));
    out += one ? *one : std::string("?");
  }
  return out;
}

std::string crlf_to_lf(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

std::string one_line_feed_per_break(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      out += text[i];
    } else if (i + 1 >= text.size() || text[i + 1] != '\n') {
      out += '\n';  // a lone CR
    }
  }
  return out;
}

std::string lf_to_crlf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace platform::web
