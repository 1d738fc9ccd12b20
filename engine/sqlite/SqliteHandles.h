// Private to the engine: owning handles for SQLite's connection and
// statement objects, and the small helpers around them. Statement and
// Transaction, each in its own file, are included here for the engine's
// modules that use all three. Every failing call is turned into a
// ComError through Check().
#pragma once

#include "engine/sqlite/SqliteStatement.h"
#include "engine/sqlite/SqliteTransaction.h"
#include "engine/sqlite/StoredValue.h"

#include <QByteArray>
#include <QString>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace engine {

struct DatabaseCloser {
    void operator()(sqlite3* db) const noexcept;
};
using DatabaseHandle = std::unique_ptr<sqlite3, DatabaseCloser>;

// Binds one value to a raw statement (1-based index).
void BindValue(sqlite3* db, sqlite3_stmt* stmt, int index, const StoredValue& value);

// Runs statements that return nothing (PRAGMAs that answer are stepped and
// their answer ignored).
void ExecuteDirect(sqlite3* db, const char* sql);

} // namespace engine
