#include "main/journal/database.h"

#include <charconv>

#include "main/journal/postgres_database.h"
#include "main/journal/sqlite_database.h"
#include "main/journal/target.h"

namespace journal {

int64_t Row::integer(size_t i) const {
  const auto& cell = cells.at(i);
  if (!cell) return 0;
  int64_t n = 0;
  std::from_chars(cell->data(), cell->data() + cell->size(), n);
  return n;
}

std::unique_ptr<Database> open_database(const std::string& target, bool create) {
  if (target.empty()) throw DbError(DbError::Kind::Refused, "no database named");
  if (is_postgres_target(target)) return open_postgres(target);
  return open_sqlite(absolute_target(target), create);
}

}  // namespace journal
