// Private to the engine: OLE DB connection strings ("Key=Value;...", keys
// case-insensitive, values optionally quoted) and the check that they name
// the Jet provider this engine stands in for.
#pragma once

#include <QHash>
#include <QString>

namespace engine {

struct ConnectionStringParts {
    QHash<QString, QString> values; // keys case-folded

    QString Value(const QString& key) const { return values.value(key.toCaseFolded()); }
    QString Provider() const { return Value(QStringLiteral("Provider")).trimmed(); }
    QString DataSource() const { return Value(QStringLiteral("Data Source")).trimmed(); }

    static ConnectionStringParts Parse(const QString& text);
    // Throws adErrProviderNotFound unless Provider is Microsoft.Jet.OLEDB.4.0
    // or .3.51, and a Jet error when Data Source is empty.
    void RequireJet(const char* objectName) const;
};

} // namespace engine
