// Quoting the data file's path into the Jet connection string only where
// the string's syntax needs it.
#include "store/JetConnectionString.h"

namespace {

bool NeedsQuotes(const QString& value)
{
    if (value.isEmpty())
        return false;
    if (value.front().isSpace() || value.back().isSpace())
        return true;
    for (const QChar c : value) {
        if (c == u';' || c == u'=' || c == u'"' || c == u'\'')
            return true;
    }
    return false;
}

} // namespace

QString JetConnectionString(const QString& path)
{
    QString value = path;
    if (NeedsQuotes(value))
        value = u'"' + value.replace(u'"', QStringLiteral("\"\"")) + u'"';
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + value
        + QStringLiteral(";Persist Security Info=False;");
}
