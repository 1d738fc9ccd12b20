// The stand-in for ADO's Connection over the Jet provider: one open SQLite
// database file, reached through Jet's SQL dialect. It never creates a file.
// Every failing call throws platform::ComError with ADO's or Jet's HRESULT,
// a source and a description.
#pragma once

#include "engine/common/AdoEnums.h"
#include "platform/Variant.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

struct sqlite3;

namespace engine {
namespace jetsql {
struct Translation;
}

class Recordset;
class Statement;

class Connection : public std::enable_shared_from_this<Connection> {
public:
    static std::shared_ptr<Connection> Create();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=<file>;...". An
    // unknown provider, a missing file, a file that is no database and a
    // file that cannot be written each fail with a description naming it.
    void Open(
        const QString& connectionString, const QString& userId = {}, const QString& password = {}, long options = -1);
    // Closes every recordset still open on this connection (dropping any
    // pending edit), as ADO does, then the file. Closing a closed connection
    // fails, as ADO's does.
    void Close();
    long State() const;
    QString ConnectionString() const;

    long ConnectionTimeout() const;
    void SetConnectionTimeout(long seconds);
    long CursorLocation() const;
    void SetCursorLocation(long location);

    // Runs a Jet SQL statement. recordsAffected (if given) receives a VT_I4
    // count. Rows come back as an open static recordset unless options hold
    // adExecuteNoRecords or the statement gives no rows (a closed one then).
    std::shared_ptr<Recordset> Execute(
        const QString& commandText, platform::Variant* recordsAffected = nullptr, long options = -1);

    long BeginTrans(); // nesting level, 1 for the outermost
    void CommitTrans();
    void RollbackTrans();

    // Schema rowsets (tables, columns, keys, indexes, procedures, views).
    // restrictions are ADO's restriction columns in ADO's order for the
    // schema (catalog, schema, name, ...); an empty text restricts nothing.
    std::shared_ptr<Recordset> OpenSchema(long schema, const QStringList& restrictions = {},
        const platform::Variant& schemaId = platform::Variant::Missing());

    // The engine's own access to the open database; null when closed.
    sqlite3* Handle() const;
    // The engine's own statement runner: a translated statement that gives
    // no rows, with values bound in order to its '?' markers, in one
    // transaction (unless one is open); returns the records affected.
    long ExecuteTranslated(const jetsql::Translation& statement, const std::vector<platform::Variant>& parameters);
    // The engine's own statements kept prepared for a prepared Command. A
    // translation of one SELECT, INSERT, UPDATE or DELETE statement is
    // prepared and kept until the connection closes (Close finalizes it);
    // anything else gives null. ExecuteKept runs it as ExecuteTranslated
    // runs the same translation.
    std::shared_ptr<Statement> PrepareKept(const jetsql::Translation& statement);
    long ExecuteKept(
        Statement& kept, const jetsql::Translation& statement, const std::vector<platform::Variant>& parameters);
    // Grows whenever a translation made on this connection may have gone
    // stale: at every open and close, every statement that may change the
    // schema or the saved queries, and every rollback (which may undo such
    // a change).
    std::uint64_t SchemaGeneration() const;
    void NoteSchemaChange();
    // The data file's path, empty when closed.
    QString DataSource() const;
    // The engine's own record of a recordset opened on this connection, so
    // that Close can close it. Only a weak reference is kept.
    void AddRecordset(const std::shared_ptr<Recordset>& recordset);

private:
    Connection();
    void CloseRecordsets() noexcept;
    void FinalizeKept() noexcept;
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace engine
