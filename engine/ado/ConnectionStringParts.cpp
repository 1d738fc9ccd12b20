// Connection string parsing: "Provider=...;Data Source=...;" with values
// that may be quoted with " or ' (a doubled quote inside stands for one).
#include "engine/ado/ConnectionStringParts.h"

#include "engine/common/AdoError.h"
#include "engine/sqlite/SqliteError.h"

namespace engine {

ConnectionStringParts ConnectionStringParts::Parse(const QString& text)
{
    ConnectionStringParts result;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const qsizetype eq = text.indexOf(QLatin1Char('='), i);
        if (eq < 0)
            break;
        const QString key = text.mid(i, eq - i).trimmed();
        i = eq + 1;
        while (i < n && text[i].isSpace())
            ++i;
        QString value;
        if (i < n && (text[i] == QLatin1Char('"') || text[i] == QLatin1Char('\''))) {
            const QChar quote = text[i++];
            while (i < n) {
                if (text[i] == quote) {
                    if (i + 1 < n && text[i + 1] == quote) {
                        value += quote;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += text[i++];
            }
            const qsizetype semi = text.indexOf(QLatin1Char(';'), i);
            i = semi < 0 ? n : semi + 1;
        } else {
            const qsizetype semi = text.indexOf(QLatin1Char(';'), i);
            value = text.mid(i, semi < 0 ? -1 : semi - i).trimmed();
            i = semi < 0 ? n : semi + 1;
        }
        if (!key.isEmpty() && !result.values.contains(key.toCaseFolded()))
            result.values.insert(key.toCaseFolded(), value);
    }
    return result;
}

void ConnectionStringParts::RequireJet(const char* objectName) const
{
    const QString provider = Provider();
    if (provider.compare(QLatin1String("Microsoft.Jet.OLEDB.4.0"), Qt::CaseInsensitive) != 0
        && provider.compare(QLatin1String("Microsoft.Jet.OLEDB.3.51"), Qt::CaseInsensitive) != 0)
        ThrowAdo(platform::adErrProviderNotFound, QString::fromLatin1(adotext::kProviderNotFound), objectName);
    if (DataSource().isEmpty())
        ThrowJet(platform::E_FAIL, QStringLiteral("The connection string names no data file (Data Source is empty)."));
}

} // namespace engine
