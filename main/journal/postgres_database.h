// The PostgreSQL backend of the journal's database (a server shared by every bench).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "main/journal/database.h"

namespace journal {

std::unique_ptr<Database> open_postgres(const std::string& target);

// What a failed statement's SQLSTATE means for the caller.
DbError::Kind postgres_error_kind(std::string_view sqlstate);

}  // namespace journal
