// Private to the engine: owning handles for SQLite's connection and
// statement objects, and a transaction that rolls back unless committed.
// Every failing call is turned into a ComError through Check().
#pragma once

#include "engine/StoredValue.h"
#include "platform/Variant.h"

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

    StoredValue Column(int index) const;
    QString ColumnText(int index) const;
    std::int64_t ColumnInt(int index) const;

private:
    sqlite3* m_db;
    std::unique_ptr<sqlite3_stmt, StatementFinalizer> m_stmt;
};

// Binds one value to a raw statement (1-based index).
void BindValue(sqlite3* db, sqlite3_stmt* stmt, int index, const StoredValue& value);

// Runs statements that return nothing (PRAGMAs that answer are stepped and
// their answer ignored).
void ExecuteDirect(sqlite3* db, const char* sql);

// BEGIN IMMEDIATE when the connection is in autocommit, else a SAVEPOINT
// inside the caller's transaction; rolled back by the destructor unless
// Commit() ran.
class Transaction {
public:
    explicit Transaction(sqlite3* db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit();

private:
    sqlite3* m_db;
    bool m_nested; // a savepoint inside a transaction the caller opened
    bool m_done = false;
};

} // namespace engine
