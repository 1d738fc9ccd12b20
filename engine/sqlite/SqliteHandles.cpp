// The connection handle's closer and the helpers that bind a value or run
// a statement whose rows nobody reads.
#include "engine/sqlite/SqliteHandles.h"

#include "engine/sqlite/SqliteError.h"

#include <sqlite3.h>

namespace engine {

void DatabaseCloser::operator()(sqlite3* db) const noexcept
{
    sqlite3_close_v2(db);
}

void BindValue(sqlite3* db, sqlite3_stmt* stmt, int index, const StoredValue& value)
{
    int rc = SQLITE_OK;
    switch (value.kind) {
    case StoredValue::Null:
        rc = sqlite3_bind_null(stmt, index);
        break;
    case StoredValue::Integer:
        rc = sqlite3_bind_int64(stmt, index, value.integer);
        break;
    case StoredValue::Real:
        rc = sqlite3_bind_double(stmt, index, value.real);
        break;
    case StoredValue::Text:
        rc = sqlite3_bind_text64(
            stmt, index, value.bytes.constData(), sqlite3_uint64(value.bytes.size()), SQLITE_TRANSIENT, SQLITE_UTF8);
        break;
    case StoredValue::Blob:
        rc = sqlite3_bind_blob64(
            stmt, index, value.bytes.constData(), sqlite3_uint64(value.bytes.size()), SQLITE_TRANSIENT);
        break;
    }
    Check(db, rc);
}

void ExecuteDirect(sqlite3* db, const char* sql)
{
    Statement statement(db, QByteArray(sql));
    while (statement.Step()) { }
}

} // namespace engine
