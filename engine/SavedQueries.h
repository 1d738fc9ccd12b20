// Private to the engine: Jet's saved queries (stored procedures and views)
// kept in the data file, and the running of a command with parameters.
#pragma once

#include "engine/JetSql.h"
#include "platform/Variant.h"

#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace engine {
class Connection;
class Recordset;
}

namespace engine::savedqueries {

struct SavedQuery {
    QString name;
    QStringList parameterNames;
    QStringList parameterTypes;  // Jet type names
    QString jetText;             // the statement as written after AS
};

// CREATE PROCEDURE / DROP PROCEDURE / EXECUTE name args (and CREATE VIEW,
// DROP VIEW). Returns an open recordset when the statement gives rows,
// else a closed one; recordsAffected receives the count.
std::shared_ptr<Recordset> Run(const std::shared_ptr<Connection>& connection, const jetsql::Translation& statement,
                               long* recordsAffected);

std::optional<SavedQuery> Find(const std::shared_ptr<Connection>& connection, const QString& name);
std::vector<SavedQuery> All(const std::shared_ptr<Connection>& connection);

// Runs a saved query with its parameters bound in order; a missing or
// ill-typed value fails with DB_E_PARAMNOTOPTIONAL / DB_E_CANTCONVERTVALUE.
std::shared_ptr<Recordset> RunSaved(const std::shared_ptr<Connection>& connection, const SavedQuery& query,
                                    const std::vector<platform::Variant>& parameters, long* recordsAffected);

}  // namespace engine::savedqueries
