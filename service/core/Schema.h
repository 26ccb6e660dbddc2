#pragma once
// The database's schema, versioned by PRAGMA user_version: migration n takes a database of
// version n - 1 to version n. A database of a version this build does not know is refused.
#include <string>

#include "service/core/Database.h"

namespace orb {

// The version this build writes: the number of migrations.
int schemaVersion();

// Brings DB to schemaVersion(), all pending migrations in one transaction. False with ERROR set
// (naming the file) when the database is newer than this build or a migration fails; nothing is
// changed then.
bool migrateSchema(Database& db, std::string& error);

// Applies the migrations up to VERSION only (tests of older databases).
bool migrateSchemaTo(Database& db, int version, std::string& error);

}  // namespace orb
