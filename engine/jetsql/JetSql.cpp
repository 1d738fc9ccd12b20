// Jet SQL's entry points: one statement in, SQLite's text and what the
// engine needs to know about it out. The reading itself is JetSqlParser's;
// the column types are JetSqlTypes.cpp's; the functions JetFunctions.cpp's.
#include "engine/jetsql/JetSql.h"

#include "engine/jetsql/JetSqlParser.h"

namespace engine::jetsql {

Translation Translate(const QString& jetSql, sqlite3* schema)
{
    JetSqlParser parser(jetSql, {}, schema);
    return parser.Statement();
}

Translation TranslateWithParameters(const QString& jetSql, const QStringList& parameterNames, sqlite3* schema)
{
    JetSqlParser parser(jetSql, parameterNames, schema);
    Translation t = parser.Statement();
    t.procParamNames = parameterNames;
    return t;
}

ClockDefault ClockDefaultOf(const QString& defaultText)
{
    QString text = defaultText.trimmed();
    while (text.startsWith(u'(') && text.endsWith(u')'))
        text = text.mid(1, text.size() - 2).trimmed();
    text.remove(u' ');
    const QString upper = text.toUpper();
    if (upper == QLatin1String("STRFTIME('%Y-%M-%D%H:%M:%S','NOW','LOCALTIME')")
        || upper == QLatin1String("DATETIME('NOW','LOCALTIME')") || upper == QLatin1String("CURRENT_TIMESTAMP"))
        return ClockDefault::Now;
    if (upper == QLatin1String("DATE('NOW','LOCALTIME')") || upper == QLatin1String("CURRENT_DATE"))
        return ClockDefault::Date;
    if (upper == QLatin1String("STRFTIME('1899-12-30%H:%M:%S','NOW','LOCALTIME')"))
        return ClockDefault::Time;
    return ClockDefault::None;
}

} // namespace engine::jetsql
