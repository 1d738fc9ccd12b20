// Private to the engine: the schema rowsets of Connection.OpenSchema, built
// from SQLite's catalog and the saved queries, with the OLE DB schema
// rowsets' usual columns.
#pragma once

#include <QStringList>
#include <memory>

namespace engine {
class Connection;
class Recordset;
}

namespace engine::schemarowsets {

std::shared_ptr<Recordset> Open(const std::shared_ptr<Connection>& connection, long schema,
                                const QStringList& restrictions);

}  // namespace engine::schemarowsets
