#include "main/journal/database.h"

#include <charconv>
#include <filesystem>

#include "main/journal/postgres_database.h"
#include "main/journal/sqlite_database.h"

namespace journal {
namespace {

bool starts_with(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

bool is_postgres_target(const std::string& target) {
  if (starts_with(target, "postgresql://") || starts_with(target, "postgres://")) return true;
  // A connection string of keywords: "host=... dbname=...".
  return target.find('=') != std::string::npos && target.find('/') == std::string::npos &&
         (starts_with(target, "host=") || starts_with(target, "dbname=") || starts_with(target, "service=") ||
          target.find(" dbname=") != std::string::npos);
}

// "password=VALUE" anywhere (a URL's query, or a keyword connection string): the value,
// quoted or up to the next separator, becomes "***".
std::string hide_password_keywords(std::string text) {
  size_t from = 0;
  while ((from = text.find("password=", from)) != std::string::npos) {
    const size_t start = from + 9;
    size_t end = start;
    if (end < text.size() && text[end] == '\'') {
      ++end;
      while (end < text.size() && text[end] != '\'') end += text[end] == '\\' ? 2 : 1;
      end = std::min(end + 1, text.size());
    } else {
      while (end < text.size() && text[end] != '&' && text[end] != ' ') ++end;
    }
    text.replace(start, end - start, "***");
    from = start + 3;
  }
  return text;
}

}  // namespace

int64_t Row::integer(size_t i) const {
  const auto& cell = cells.at(i);
  if (!cell) return 0;
  int64_t n = 0;
  std::from_chars(cell->data(), cell->data() + cell->size(), n);
  return n;
}

std::string redact_target(const std::string& target) {
  std::string shown = target;
  const size_t scheme = shown.find("://");
  if (scheme != std::string::npos) {
    // user:password@host: the last "@" before the query ends the user part, so a
    // password holding "@" or "/" is hidden whole.
    const size_t query = shown.find('?', scheme);
    const size_t at = shown.rfind('@', query == std::string::npos ? std::string::npos : query);
    if (at != std::string::npos && at > scheme) {
      const size_t colon = shown.find(':', scheme + 3);
      if (colon != std::string::npos && colon < at) shown.replace(colon + 1, at - colon - 1, "***");
    }
  }
  return hide_password_keywords(shown);
}

std::unique_ptr<Database> open_database(const std::string& target, bool create) {
  if (target.empty()) throw DbError(DbError::Kind::Refused, "no database named");
  if (is_postgres_target(target)) return open_postgres(target);
  // A program that changes folder later (the tool does) still reopens the same file.
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(target, ec);
  return open_sqlite(ec ? target : absolute.string(), create);
}

}  // namespace journal
