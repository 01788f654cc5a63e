// Builds without SQLite's library (the Windows and 32-bit builds): the journal file cannot
// be opened, and says so.
#include "main/journal/sqlite_database.h"

namespace journal {

std::unique_ptr<Database> open_sqlite(const std::string& path, bool /*create*/) {
  throw DbError(DbError::Kind::Unreachable, path + ": this build of the program keeps no SQLite journal");
}

}  // namespace journal
