#include "main/journal/target.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <string_view>

namespace journal {
namespace {

bool starts_with(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

bool is_url(std::string_view s) { return starts_with(s, "postgresql://") || starts_with(s, "postgres://"); }

// The client library's connection keywords: a target that starts with one of them followed
// by "=" is a connection string, not a file name.
constexpr std::array<std::string_view, 44> kKeywords = {
    "host", "hostaddr", "port", "dbname", "user", "password", "passfile", "channel_binding", "connect_timeout",
    "client_encoding", "options", "application_name", "fallback_application_name", "keepalives", "keepalives_idle",
    "keepalives_interval", "keepalives_count", "tcp_user_timeout", "replication", "gssencmode", "sslmode",
    "requiressl", "sslcompression", "sslcert", "sslkey", "sslpassword", "sslrootcert", "sslcrl", "sslcrldir",
    "sslsni", "requirepeer", "ssl_min_protocol_version", "ssl_max_protocol_version", "krbsrvname", "gsslib",
    "gssdelegation", "service", "target_session_attrs", "load_balance_hosts", "require_auth", "sslcertmode",
    "sslnegotiation", "scram_client_key", "scram_server_key"};

bool space(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// One "keyword = value" of a connection string: where its value starts and ends (quotes
// included), as the client library reads it.
struct Pair {
  std::string_view key;
  size_t value_from = 0, value_to = 0;
  std::string value;  // unquoted, escapes resolved
};

// The pairs of a connection string; empty when `text` is not one.
std::vector<Pair> keyword_pairs(std::string_view text) {
  std::vector<Pair> pairs;
  size_t i = 0;
  for (;;) {
    while (i < text.size() && space(text[i])) ++i;
    if (i == text.size()) return pairs;
    const size_t key_from = i;
    while (i < text.size() && !space(text[i]) && text[i] != '=') ++i;
    Pair p;
    p.key = text.substr(key_from, i - key_from);
    while (i < text.size() && space(text[i])) ++i;
    if (p.key.empty() || i == text.size() || text[i] != '=') return {};
    ++i;
    while (i < text.size() && space(text[i])) ++i;
    p.value_from = i;
    if (i < text.size() && text[i] == '\'') {
      ++i;
      while (i < text.size() && text[i] != '\'') {
        if (text[i] == '\\' && i + 1 < text.size()) ++i;
        p.value += text[i++];
      }
      if (i < text.size()) ++i;  // the closing quote
    } else {
      while (i < text.size() && !space(text[i])) {
        if (text[i] == '\\' && i + 1 < text.size()) ++i;
        p.value += text[i++];
      }
    }
    p.value_to = i;
    pairs.push_back(std::move(p));
  }
}

int hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string percent_decoded(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && hex(s[i + 1]) >= 0 && hex(s[i + 2]) >= 0) {
      out += static_cast<char>(hex(s[i + 1]) * 16 + hex(s[i + 2]));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

// A URL's "user:password@" part: where the password starts and ends (none: from == to).
// The last "@" before the query ends the user part, so a password holding "@" or "/" is
// taken whole.
std::pair<size_t, size_t> url_password(std::string_view url) {
  const size_t scheme = url.find("://");
  if (scheme == std::string_view::npos) return {0, 0};
  const size_t query = url.find('?', scheme);
  const size_t at = url.substr(0, query).rfind('@');
  if (at == std::string_view::npos || at < scheme) return {0, 0};
  const size_t colon = url.find(':', scheme + 3);
  if (colon == std::string_view::npos || colon > at) return {0, 0};
  return {colon + 1, at};
}

// A URL's query parameters named password: where each value starts and ends.
std::vector<std::pair<size_t, size_t>> url_query_passwords(std::string_view url) {
  std::vector<std::pair<size_t, size_t>> out;
  size_t at = url.find('?');
  while (at != std::string_view::npos && at < url.size()) {
    const size_t from = at + 1;
    size_t to = url.find('&', from);
    if (to == std::string_view::npos) to = url.size();
    const std::string_view param = url.substr(from, to - from);
    if (starts_with(param, "password=") || starts_with(param, "sslpassword="))
      out.emplace_back(from + param.find('=') + 1, to);
    at = to;
  }
  return out;
}

bool is_secret_key(std::string_view key) { return key == "password" || key == "sslpassword"; }

// "password=VALUE" or "password = 'VALUE'" anywhere in free text (a message quoting a
// connection string): the value, quoted or up to the next separator, becomes "***".
std::string hide_password_keywords(std::string text) {
  for (const char* key : {"password", "sslpassword"}) {
    size_t from = 0;
    while ((from = text.find(key, from)) != std::string::npos) {
      size_t i = from + std::string_view(key).size();
      while (i < text.size() && space(text[i])) ++i;
      if (i >= text.size() || text[i] != '=') {
        from = i;
        continue;
      }
      ++i;
      while (i < text.size() && space(text[i])) ++i;
      const size_t start = i;
      if (i < text.size() && text[i] == '\'') {
        ++i;
        while (i < text.size() && text[i] != '\'') i += text[i] == '\\' ? 2 : 1;
        i = std::min(i + 1, text.size());
      } else {
        while (i < text.size() && text[i] != '&' && !space(text[i]) && text[i] != '"') ++i;
      }
      text.replace(start, i - start, "***");
      from = start + 3;
    }
  }
  return text;
}

void replace_all(std::string& text, const std::string& secret) {
  if (secret.empty()) return;
  for (size_t at = text.find(secret); at != std::string::npos; at = text.find(secret, at + 3))
    text.replace(at, secret.size(), "***");
}

}  // namespace

bool is_postgres_target(const std::string& target) {
  if (is_url(target)) return true;
  const auto pairs = keyword_pairs(target);
  return !pairs.empty() && std::find(kKeywords.begin(), kKeywords.end(), pairs.front().key) != kKeywords.end();
}

std::string absolute_target(const std::string& target) {
  if (target.empty() || is_postgres_target(target)) return target;
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(target, ec);
  return ec ? target : absolute.string();
}

std::vector<std::string> target_secrets(const std::string& target) {
  std::vector<std::string> out;
  auto add = [&](std::string_view written) {
    if (written.empty()) return;
    out.emplace_back(written);
    const std::string decoded = percent_decoded(written);
    if (decoded != written) out.push_back(decoded);
  };
  if (is_url(target)) {
    const auto [from, to] = url_password(target);
    add(std::string_view(target).substr(from, to - from));
    for (const auto& [qf, qt] : url_query_passwords(target)) add(std::string_view(target).substr(qf, qt - qf));
  } else {
    for (const Pair& p : keyword_pairs(target))
      if (is_secret_key(p.key)) {
        add(std::string_view(target).substr(p.value_from, p.value_to - p.value_from));
        if (!p.value.empty()) out.push_back(p.value);
      }
  }
  // The longest first, so that a secret holding another is hidden whole.
  std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.size() > b.size(); });
  return out;
}

std::string redact_target(const std::string& target) {
  std::string shown = target;
  if (is_url(shown)) {
    const auto [from, to] = url_password(shown);
    if (to > from) shown.replace(from, to - from, "***");
  } else if (const auto pairs = keyword_pairs(shown); !pairs.empty()) {
    for (auto p = pairs.rbegin(); p != pairs.rend(); ++p)
      if (is_secret_key(p->key)) shown.replace(p->value_from, p->value_to - p->value_from, "***");
    return shown;
  }
  return hide_password_keywords(shown);
}

std::string scrub(const std::string& target, std::string message) {
  for (const std::string& secret : target_secrets(target)) replace_all(message, secret);
  return hide_password_keywords(std::move(message));
}

}  // namespace journal
