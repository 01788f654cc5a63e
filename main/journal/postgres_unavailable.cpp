// Builds without PostgreSQL's client library (the Windows and 32-bit builds): a server
// journal cannot be reached, and says so.
#include "main/journal/postgres_database.h"

namespace journal {

std::unique_ptr<Database> open_postgres(const std::string& target) {
  throw DbError(DbError::Kind::Unreachable, redact_target(target) + ": this build of the program has no PostgreSQL client");
}

}  // namespace journal
