// Private to the engine: a write transaction on a SQLite connection that
// rolls back in its destructor unless it was committed.
#pragma once

struct sqlite3;

namespace engine {

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
