// Private to the engine: Jet's column type names as CREATE TABLE and
// ALTER TABLE write them, and the SQLite declared types they become. The
// declared type is chosen so that it reads back as the same ADO type through
// AdoTypeOfDeclared and gives SQLite the affinity that stores the values
// as Jet would keep them (numbers as numbers, dates as text).
#pragma once

#include <QString>

namespace engine::jetsql {

struct SqliteColumnType {
    QString declared; // "VARCHAR(50)", "INTEGER", ...
    bool text = false; // compared without regard to case, as Jet compares text
    bool counter = false; // COUNTER / AUTOINCREMENT: the table's INTEGER PRIMARY KEY
};

// typeName is the Jet type as one upper-case word ("TEXT", "DOUBLE",
// "DOUBLE PRECISION" joined by one space); size and scale are -1 when not
// written. False for a name Jet does not know.
bool SqliteTypeOfJet(const QString& typeName, int size, int scale, SqliteColumnType& out);

} // namespace engine::jetsql
