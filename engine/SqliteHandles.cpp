// SQLite's handles held in RAII objects. Statements are prepared with
// sqlite3_prepare_v2 so that a schema change between prepare and step is
// retried by SQLite itself.
#include "engine/SqliteHandles.h"

#include "engine/SqliteError.h"
#include "engine/ValueConversion.h"

#include <sqlite3.h>

namespace engine {

void DatabaseCloser::operator()(sqlite3* db) const noexcept
{
    sqlite3_close_v2(db);
}

void StatementFinalizer::operator()(sqlite3_stmt* stmt) const noexcept
{
    sqlite3_finalize(stmt);
}

Statement::Statement(sqlite3* db, const QString& sql)
    : Statement(db, sql.toUtf8())
{
}

Statement::Statement(sqlite3* db, const QByteArray& utf8Sql)
    : m_db(db)
{
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v2(db, utf8Sql.constData(), int(utf8Sql.size()), &stmt, nullptr);
    m_stmt.reset(stmt);
    Check(db, rc);
}

int Statement::ParameterCount() const
{
    return sqlite3_bind_parameter_count(m_stmt.get());
}
int Statement::ColumnCount() const
{
    return sqlite3_column_count(m_stmt.get());
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

void Statement::Bind(int index, const StoredValue& value)
{
    BindValue(m_db, m_stmt.get(), index, value);
}

void Statement::Bind(int index, const platform::Variant& value)
{
    Bind(index, StoredFromVariant(value));
}

bool Statement::Step()
{
    const int rc = sqlite3_step(m_stmt.get());
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    Check(m_db, rc);
    return false;
}

void Statement::Reset()
{
    sqlite3_reset(m_stmt.get());
    sqlite3_clear_bindings(m_stmt.get());
}

StoredValue Statement::Column(int index) const
{
    sqlite3_stmt* s = m_stmt.get();
    switch (sqlite3_column_type(s, index)) {
    case SQLITE_INTEGER:
        return StoredValue::MakeInteger(sqlite3_column_int64(s, index));
    case SQLITE_FLOAT:
        return StoredValue::MakeReal(sqlite3_column_double(s, index));
    case SQLITE_TEXT: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, index));
        return StoredValue::MakeText(QByteArray(text, sqlite3_column_bytes(s, index)));
    }
    case SQLITE_BLOB: {
        const auto* data = static_cast<const char*>(sqlite3_column_blob(s, index));
        return StoredValue::MakeBlob(QByteArray(data, sqlite3_column_bytes(s, index)));
    }
    default:
        return {};
    }
}

QString Statement::ColumnText(int index) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt.get(), index));
    return text ? QString::fromUtf8(text, sqlite3_column_bytes(m_stmt.get(), index)) : QString();
}

std::int64_t Statement::ColumnInt(int index) const
{
    return sqlite3_column_int64(m_stmt.get(), index);
}

void ExecuteDirect(sqlite3* db, const char* sql)
{
    Statement statement(db, QByteArray(sql));
    while (statement.Step()) { }
}

Transaction::Transaction(sqlite3* db)
    : m_db(db)
    , m_nested(sqlite3_get_autocommit(db) == 0)
{
    ExecuteDirect(db, m_nested ? "SAVEPOINT engine_write" : "BEGIN IMMEDIATE");
}

Transaction::~Transaction()
{
    if (m_done)
        return;
    // Never throws: a failed rollback leaves SQLite to roll the journal
    // back on the next open.
    if (m_nested) {
        sqlite3_exec(m_db, "ROLLBACK TO engine_write; RELEASE engine_write", nullptr, nullptr, nullptr);
    } else if (sqlite3_get_autocommit(m_db) == 0) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

void Transaction::Commit()
{
    ExecuteDirect(m_db, m_nested ? "RELEASE engine_write" : "COMMIT");
    m_done = true;
}

} // namespace engine
