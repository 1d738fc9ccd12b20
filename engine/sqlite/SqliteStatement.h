// Private to the engine: one prepared SQLite statement, finalized when it
// goes, with values bound as SQLite stores them and steps that throw the
// engine's errors.
#pragma once

#include "engine/sqlite/StoredValue.h"
#include "platform/Variant.h"

#include <QByteArray>
#include <QString>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace engine {

struct StatementFinalizer {
    void operator()(sqlite3_stmt* stmt) const noexcept;
};

// One prepared statement. Bind indexes are 1-based, as SQLite's.
class Statement {
public:
    Statement(sqlite3* db, const QString& sql);
    Statement(sqlite3* db, const QByteArray& utf8Sql);
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    sqlite3_stmt* Handle() const { return m_stmt.get(); }
    int ParameterCount() const;
    int ColumnCount() const;

    void Bind(int index, const StoredValue& value);
    // A parameter value bound as Jet would compare it: numbers as numbers,
    // dates as their stored text, booleans as -1/0, text as UTF-8.
    void Bind(int index, const platform::Variant& value);
    // Steps once: true while it yields a row, false when done.
    bool Step();
    void Reset();
    // Lets the statement go before its connection closes; Handle() is null
    // from then on.
    void Finalize() noexcept { m_stmt.reset(); }

    StoredValue Column(int index) const;
    QString ColumnText(int index) const;
    std::int64_t ColumnInt(int index) const;

private:
    sqlite3* m_db;
    std::unique_ptr<sqlite3_stmt, StatementFinalizer> m_stmt;
};

} // namespace engine
