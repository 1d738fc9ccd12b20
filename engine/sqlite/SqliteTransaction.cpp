// Write transactions: BEGIN IMMEDIATE takes the write lock at once (so a
// busy file fails before anything is done), and inside a transaction the
// caller opened, a savepoint lets one write fail without undoing the rest.
#include "engine/sqlite/SqliteTransaction.h"

#include "engine/sqlite/SqliteHandles.h"

#include <sqlite3.h>

namespace engine {

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
