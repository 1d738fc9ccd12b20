// Private to the engine: Jet's saved queries (stored procedures and views)
// kept in the data file, and the running of a command with parameters.
#pragma once

#include "engine/common/AdoEnums.h"
#include "engine/jetsql/JetSql.h"
#include "platform/Variant.h"

#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace engine {
class Connection;
class Recordset;
} // namespace engine

namespace engine::savedqueries {

struct SavedQuery {
    QString name;
    QStringList parameterNames;
    QStringList parameterTypes; // Jet type names
    QString jetText; // the statement as written after AS
    bool isView = false; // made by CREATE VIEW (or a view another tool made)
    std::optional<double> dateCreated; // OLE dates; absent for a view another tool made
    std::optional<double> dateModified;
};

// The table in the data file that keeps the saved queries; the schema
// rowsets leave it out of the tables they list.
inline constexpr const char* kQueriesTable = "MSysLexiQueries";

// CREATE PROCEDURE / DROP PROCEDURE / EXECUTE name args (and CREATE VIEW,
// DROP VIEW). Returns an open recordset when the statement gives rows,
// else a closed one; recordsAffected receives the count.
std::shared_ptr<Recordset> Run(
    const std::shared_ptr<Connection>& connection, const jetsql::Translation& statement, long* recordsAffected);
// The same for a command with parameters: an EXECUTE argument written as
// '?' takes the next of these values, in order.
std::shared_ptr<Recordset> Run(const std::shared_ptr<Connection>& connection, const jetsql::Translation& statement,
    const std::vector<platform::Variant>& parameters, long* recordsAffected);

// name may be [bracketed]; names compare without regard to case, as Jet's.
std::optional<SavedQuery> Find(const std::shared_ptr<Connection>& connection, const QString& name);
std::vector<SavedQuery> All(const std::shared_ptr<Connection>& connection);

// Runs a saved query with its parameters bound in order; a missing or
// ill-typed value fails with DB_E_PARAMNOTOPTIONAL / DB_E_CANTCONVERTVALUE,
// more values than the query declares with adErrInvalidArgument. A row
// query gives an open static recordset (read-only unless lockType says
// otherwise, as a command's rows are) and records affected -1; an action
// query a closed recordset and the count.
std::shared_ptr<Recordset> RunSaved(const std::shared_ptr<Connection>& connection, const SavedQuery& query,
    const std::vector<platform::Variant>& parameters, long* recordsAffected, long cursorType = adOpenStatic,
    long lockType = adLockReadOnly);

// A value for a parameter of the given ADO type, converted as Jet converts
// it (text "12" for a number, text that is a date for a date, ...).
// VT_NULL passes as NULL; a value that cannot be converted fails with
// DB_E_CANTCONVERTVALUE (DB_E_DATAOVERFLOW when out of range).
platform::Variant ConvertParameter(const platform::Variant& value, long adoType, const QString& parameterName);

// A missing value: VT_EMPTY or ADO's "missing" argument.
bool IsMissingValue(const platform::Variant& value);

} // namespace engine::savedqueries
