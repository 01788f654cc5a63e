// The journal's tables, created and migrated by the program itself: schema_version holds
// the version the tables are at, and each migration moves them one version on, all in one
// transaction, so a journal is never left half-migrated.
#pragma once

#include "main/journal/database.h"

namespace journal {

// Brings the schema to `version` (creating it in an empty database). Throws JournalError
// when the database is at a newer version than this program knows; nothing is changed then.
void migrate_schema(Database& db, int version);

// 0 for a database without the journal's tables.
int stored_schema_version(Database& db);

}  // namespace journal
