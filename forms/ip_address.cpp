#include "forms/ip_address.h"

#include <cstdio>

namespace forms {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
  return s;
}

// Decimal value of a part: optional sign, then digits up to the first other character.
// Saturates instead of overflowing, so a long run of digits is simply out of range.
int64_t part_value(std::string_view part) {
  part = trim(part);
  bool negative = false;
  if (!part.empty() && (part.front() == '-' || part.front() == '+')) {
    negative = part.front() == '-';
    part.remove_prefix(1);
  }
  int64_t v = 0;
  for (char c : part) {
    if (c < '0' || c > '9') break;
    if (v < 100000) v = v * 10 + (c - '0');
  }
  return negative ? -v : v;
}

}  // namespace

std::optional<IpParts> parse_ip_address(std::string_view text) {
  text = trim(text);
  size_t dots[3];
  size_t from = 0;
  for (size_t& d : dots) {
    d = text.find('.', from);
    if (d == std::string_view::npos) return std::nullopt;
    from = d + 1;
  }
  const std::string_view parts[4] = {text.substr(0, dots[0]), text.substr(dots[0] + 1, dots[1] - dots[0] - 1),
                                     text.substr(dots[1] + 1, dots[2] - dots[1] - 1), text.substr(dots[2] + 1)};
  IpParts out{};
  for (int i = 0; i < 4; ++i) {
    int64_t v = part_value(parts[i]);
    if (v < 0 || v > 255) return std::nullopt;
    out[i] = static_cast<uint8_t>(v);
  }
  return out;
}

std::string format_ip_address(const IpParts& p) {
  char buf[20];
  std::snprintf(buf, sizeof buf, "%d.%d.%d.%d", p[0], p[1], p[2], p[3]);
  return buf;
}

}  // namespace forms
