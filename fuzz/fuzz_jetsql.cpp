// Fuzzes the Jet SQL translator: any text either fails with Jet's syntax
// error (or its type mismatch) or translates to SQL that SQLite can read. The translation is then
// run, inside a transaction that is rolled back, on a small word table with
// Jet's functions registered, so the functions meet whatever values the
// fuzzer's expressions make. SQLite reporting a syntax error in translated
// SQL is a translator bug and stops the run.
#include "engine/jetsql/JetSql.h"
#include "platform/ComError.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sqlite3.h>

namespace {

int& ProgressSteps()
{
    static int steps = 0;
    return steps;
}

sqlite3* Database()
{
    static sqlite3* db = [] {
        sqlite3* handle = nullptr;
        if (sqlite3_open(":memory:", &handle) != SQLITE_OK)
            std::abort();
        engine::jetsql::RegisterFunctions(handle);
        const char* setup
            = "CREATE TABLE \"Words\" (\"ID\" INTEGER PRIMARY KEY AUTOINCREMENT, \"Word\" VARCHAR(255) COLLATE NOCASE, "
              "\"Pronunciation\" VARCHAR(255) COLLATE NOCASE, \"Description\" TEXT COLLATE NOCASE, "
              "\"MemoryCycle\" INTEGER DEFAULT 1, \"Date\" DATETIME);"
              "CREATE TABLE \"NewWords\" (\"ID\" INTEGER PRIMARY KEY AUTOINCREMENT, \"Word\" VARCHAR(255) COLLATE "
              "NOCASE, \"Pronunciation\" VARCHAR(255), \"Description\" TEXT);"
              "INSERT INTO \"Words\" (\"Word\", \"MemoryCycle\", \"Date\") VALUES "
              "('apple', 1, '2010-05-16 00:00:00'), ('pear', 32, '2010-04-07'), ('fig', NULL, NULL), "
              "('plum', -5, 40315.5), ('kiwi', 2147483647, 'not a date'), (NULL, 0, '9999-12-31 23:59:59');"
              "INSERT INTO \"NewWords\" (\"Word\") VALUES ('one'), ('two'), (NULL);";
        if (sqlite3_exec(handle, setup, nullptr, nullptr, nullptr) != SQLITE_OK)
            std::abort();
        // Long-running statements (joins of joins) are cut short.
        sqlite3_progress_handler(
            handle, 1000, [](void* steps) { return ++*static_cast<int*>(steps) > 200 ? 1 : 0; }, &ProgressSteps());
        sqlite3_limit(handle, SQLITE_LIMIT_LENGTH, 1 << 20);
        return handle;
    }();
    return db;
}

// SQLite's own reading errors, told apart from "no such column: ..."
// whose name could hold any text.
bool IsSyntaxError(const char* message)
{
    const std::size_t n = std::strlen(message);
    const char* const tail = ": syntax error";
    const std::size_t tailLength = std::strlen(tail);
    return (std::strncmp(message, "near ", 5) == 0 && n > tailLength
               && std::strcmp(message + n - tailLength, tail) == 0)
        || std::strncmp(message, "unrecognized token:", 19) == 0 || std::strcmp(message, "incomplete input") == 0;
}

void Run(const QString& sql)
{
    sqlite3* db = Database();
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_exec(db, "SAVEPOINT fuzz", nullptr, nullptr, nullptr);
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, utf8.constData(), static_cast<int>(utf8.size()), &stmt, nullptr) != SQLITE_OK) {
        const char* message = sqlite3_errmsg(db);
        if (IsSyntaxError(message)) {
            std::fprintf(stderr, "SQLite cannot read the translation: %s\n%s\n", message, utf8.constData());
            std::abort();
        }
    } else if (stmt != nullptr) {
        ProgressSteps() = 0;
        for (int rows = 0; rows < 100 && sqlite3_step(stmt) == SQLITE_ROW; ++rows) { }
    }
    sqlite3_finalize(stmt);
    sqlite3_exec(db, "ROLLBACK TO fuzz; RELEASE fuzz", nullptr, nullptr, nullptr);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 4096)
        return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    engine::jetsql::Translation t;
    try {
        // Translated against the word tables, so that the column types it
        // looks up shape comparisons and refuse mismatched literals.
        t = engine::jetsql::Translate(text, Database());
    } catch (const platform::ComError& e) {
        // Every refusal says why.
        if (!e.Description() || e.Description()->isEmpty())
            std::abort();
        return 0;
    }
    switch (t.kind) {
    case engine::jetsql::Translation::ExecuteProcedure:
    case engine::jetsql::Translation::DropProcedure:
    case engine::jetsql::Translation::DropView:
        break;
    default:
        Run(t.sql);
    }
    // Declared type names written by CREATE TABLE read back as some ADO type.
    engine::jetsql::AdoTypeOfDeclared(text);
    engine::jetsql::ClockDefaultOf(text);
    return 0;
}
