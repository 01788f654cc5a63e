// The PostgreSQL backend of the journal's database (a server shared by every bench).
#pragma once

#include <memory>
#include <string>

#include "main/journal/database.h"

namespace journal {

std::unique_ptr<Database> open_postgres(const std::string& target);

}  // namespace journal
