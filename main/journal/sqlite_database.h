// The SQLite backend of the journal's database (a file, made when missing if `create`).
#pragma once

#include <memory>
#include <string>

#include "main/journal/database.h"

namespace journal {

std::unique_ptr<Database> open_sqlite(const std::string& path, bool create);

// What an SQLite result code means for the caller.
DbError::Kind sqlite_error_kind(int code);

}  // namespace journal
