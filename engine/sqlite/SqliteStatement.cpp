// Prepared statements. They are prepared with sqlite3_prepare_v2 so that a
// schema change between prepare and step is retried by SQLite itself.
#include "engine/sqlite/SqliteStatement.h"

#include "engine/sqlite/SqliteError.h"
#include "engine/sqlite/SqliteHandles.h"
#include "engine/sqlite/ValueConversion.h"

#include <sqlite3.h>

namespace engine {

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

} // namespace engine
