// Column types both ways: Jet's DDL type names to SQLite declared types, and
// any declared type (ours, or one written by another SQLite tool) to the ADO
// type, defined size and attributes that a Field reports, with the sizes
// Jet's provider reports for the same types.
#include "engine/jetsql/JetSqlTypes.h"

#include "engine/common/AdoEnums.h"
#include "engine/jetsql/JetSql.h"

namespace engine::jetsql {

namespace {

constexpr long kLongTextSize = 536870910;
constexpr long kLongBinarySize = 1073741823;
constexpr long kDefaultTextSize = 255;
constexpr long kMaxTextSize = 255;

// "VARCHAR ( 50 )" -> name "VARCHAR", size 50; "DECIMAL(10,2)" -> 10 and 2.
void SplitDeclared(const QString& declared, QString& name, int& size, int& scale)
{
    size = -1;
    scale = -1;
    const qsizetype paren = declared.indexOf(u'(');
    name = (paren < 0 ? declared : declared.left(paren)).simplified().toUpper();
    if (paren < 0)
        return;
    const qsizetype close = declared.indexOf(u')', paren);
    const QStringList numbers = declared.mid(paren + 1, close < 0 ? -1 : close - paren - 1).split(u',');
    bool ok = false;
    const int first = numbers.value(0).trimmed().toInt(&ok);
    if (ok)
        size = first;
    if (numbers.size() > 1) {
        const int second = numbers.value(1).trimmed().toInt(&ok);
        if (ok)
            scale = second;
    }
}

bool OneOf(const QString& name, std::initializer_list<const char*> names)
{
    for (const char* n : names) {
        if (name == QLatin1String(n))
            return true;
    }
    return false;
}

ColumnType Fixed(long type, long size)
{
    return { type, size, adFldUpdatable | adFldFixed | adFldIsNullable | adFldMayBeNull };
}
ColumnType Variable(long type, long size)
{
    return { type, size, adFldUpdatable | adFldIsNullable | adFldMayBeNull };
}
ColumnType Long(long type, long size)
{
    return { type, size, adFldUpdatable | adFldMayDefer | adFldLong | adFldIsNullable | adFldMayBeNull };
}

} // namespace

bool SqliteTypeOfJet(const QString& typeName, int size, int scale, SqliteColumnType& out)
{
    out = SqliteColumnType();
    const QString& t = typeName;
    if (OneOf(t, { "COUNTER", "AUTOINCREMENT", "IDENTITY" })) {
        out.declared = QStringLiteral("INTEGER");
        out.counter = true;
    } else if (OneOf(t, { "LONG", "INTEGER", "INT", "INTEGER4", "INT4" })) {
        out.declared = QStringLiteral("INTEGER");
    } else if (OneOf(t, { "SHORT", "SMALLINT", "INTEGER2", "INT2" })) {
        out.declared = QStringLiteral("SMALLINT");
    } else if (OneOf(t, { "BYTE", "TINYINT", "INTEGER1" })) {
        out.declared = QStringLiteral("TINYINT");
    } else if (OneOf(t, { "SINGLE", "REAL", "FLOAT4", "IEEESINGLE" })) {
        out.declared = QStringLiteral("FLOAT4");
    } else if (OneOf(t, { "DOUBLE", "FLOAT", "NUMBER", "FLOAT8", "IEEEDOUBLE", "DOUBLE PRECISION" })) {
        out.declared = QStringLiteral("DOUBLE");
    } else if (OneOf(t, { "CURRENCY", "MONEY" })) {
        out.declared = QStringLiteral("CURRENCY");
    } else if (OneOf(t, { "DATETIME", "DATE", "TIME", "TIMESTAMP" })) {
        out.declared = QStringLiteral("DATETIME");
    } else if (OneOf(t, { "YESNO", "BIT", "LOGICAL", "LOGICAL1", "BOOLEAN" })) {
        out.declared = QStringLiteral("BOOLEAN");
    } else if (OneOf(t,
                   { "TEXT", "VARCHAR", "CHAR", "CHARACTER", "STRING", "ALPHANUMERIC", "NVARCHAR", "NCHAR",
                       "CHARACTER VARYING", "NATIONAL CHARACTER", "NATIONAL CHAR", "NATIONAL CHARACTER VARYING",
                       "NATIONAL CHAR VARYING" })) {
        if (scale >= 0 || size == 0 || size > kMaxTextSize)
            return false;
        out.declared = QStringLiteral("VARCHAR(%1)").arg(size < 0 ? kDefaultTextSize : size);
        out.text = true;
    } else if (OneOf(t, { "MEMO", "LONGTEXT", "LONGCHAR", "NOTE", "NTEXT" })) {
        out.declared = QStringLiteral("TEXT");
        out.text = true;
    } else if (OneOf(t, { "LONGBINARY", "OLEOBJECT", "IMAGE", "GENERAL" })) {
        out.declared = QStringLiteral("BLOB");
    } else if (OneOf(t, { "BINARY", "VARBINARY", "BINARY VARYING" })) {
        if (scale >= 0 || size == 0 || size > 510)
            return false;
        out.declared = QStringLiteral("VARBINARY(%1)").arg(size < 0 ? 510 : size);
    } else if (OneOf(t, { "DECIMAL", "NUMERIC", "DEC" })) {
        const int precision = size < 0 ? 18 : size;
        const int digits = scale < 0 ? 0 : scale;
        if (precision < 1 || precision > 28 || digits > precision)
            return false;
        out.declared = QStringLiteral("DECIMAL(%1,%2)").arg(precision).arg(digits);
    } else if (OneOf(t, { "GUID", "UNIQUEIDENTIFIER" })) {
        out.declared = QStringLiteral("GUID");
    } else {
        return false;
    }
    // A size belongs only to the types that take one.
    if ((size >= 0 || scale >= 0) && !out.text && !out.declared.startsWith(QLatin1String("VARBINARY"))
        && !out.declared.startsWith(QLatin1String("DECIMAL")) && !out.counter)
        return false;
    return true;
}

ColumnType AdoTypeOfDeclared(const QString& declaredType)
{
    QString name;
    int size = -1;
    int scale = -1;
    SplitDeclared(declaredType, name, size, scale);
    if (name.isEmpty())
        return Variable(adVarWChar, kDefaultTextSize);
    if (OneOf(name, { "INTEGER", "INT", "LONG", "INT4", "INTEGER4", "MEDIUMINT", "COUNTER", "AUTOINCREMENT" }))
        return Fixed(adInteger, 4);
    if (OneOf(name, { "BIGINT", "INT8", "UNSIGNED BIG INT" }))
        return Fixed(adBigInt, 8);
    if (OneOf(name, { "SMALLINT", "SHORT", "INT2", "INTEGER2" }))
        return Fixed(adSmallInt, 2);
    if (OneOf(name, { "TINYINT", "BYTE", "INTEGER1" }))
        return Fixed(adUnsignedTinyInt, 1);
    if (OneOf(name, { "FLOAT4", "SINGLE", "IEEESINGLE" }))
        return Fixed(adSingle, 4);
    if (OneOf(name, { "REAL", "DOUBLE", "DOUBLE PRECISION", "FLOAT", "FLOAT8", "NUMBER", "IEEEDOUBLE" }))
        return Fixed(adDouble, 8);
    if (OneOf(name, { "CURRENCY", "MONEY", "SMALLMONEY" }))
        return Fixed(adCurrency, 8);
    if (OneOf(name, { "DATETIME", "DATE", "TIME", "TIMESTAMP", "SMALLDATETIME", "DATETIME2" }))
        return Fixed(adDate, 8);
    if (OneOf(name, { "BOOLEAN", "BOOL", "BIT", "YESNO", "LOGICAL", "LOGICAL1" }))
        return Fixed(adBoolean, 2);
    if (OneOf(name, { "DECIMAL", "NUMERIC", "DEC" })) {
        ColumnType type = Fixed(adNumeric, 19);
        type.precision = size < 0 ? 18 : size;
        type.numericScale = scale < 0 ? 0 : scale;
        return type;
    }
    if (OneOf(name, { "GUID", "UNIQUEIDENTIFIER" }))
        return Fixed(adGUID, 16);
    if (OneOf(name, { "CHAR", "NCHAR", "CHARACTER", "NATIONAL CHARACTER", "NATIONAL CHAR" })) {
        ColumnType type = Fixed(adWChar, size > 0 ? size : kDefaultTextSize);
        return type;
    }
    if (OneOf(name,
            { "VARCHAR", "NVARCHAR", "VARYING CHARACTER", "NATIVE CHARACTER", "CHARACTER VARYING",
                "NATIONAL CHARACTER VARYING", "ALPHANUMERIC", "STRING" }))
        return Variable(adVarWChar, size > 0 ? size : kDefaultTextSize);
    if (name == QLatin1String("TEXT") && size > 0)
        return Variable(adVarWChar, size);
    if (OneOf(name, { "TEXT", "CLOB", "MEMO", "LONGTEXT", "LONGCHAR", "NOTE", "NTEXT", "MEDIUMTEXT", "TINYTEXT" }))
        return Long(adLongVarWChar, kLongTextSize);
    if (OneOf(name, { "BLOB", "LONGBINARY", "OLEOBJECT", "IMAGE", "GENERAL", "LONGBLOB", "MEDIUMBLOB" }))
        return Long(adLongVarBinary, kLongBinarySize);
    if (OneOf(name, { "VARBINARY", "BINARY", "BINARY VARYING" }))
        return Variable(adVarBinary, size > 0 ? size : 510);
    // Any other name: SQLite's own affinity rules decide what it holds.
    if (name.contains(QLatin1String("INT")))
        return Fixed(adInteger, 4);
    if (name.contains(QLatin1String("CHAR")) || name.contains(QLatin1String("CLOB"))
        || name.contains(QLatin1String("TEXT")))
        return size > 0 ? Variable(adVarWChar, size) : Long(adLongVarWChar, kLongTextSize);
    if (name.contains(QLatin1String("BLOB")))
        return Long(adLongVarBinary, kLongBinarySize);
    if (name.contains(QLatin1String("REAL")) || name.contains(QLatin1String("FLOA"))
        || name.contains(QLatin1String("DOUB")))
        return Fixed(adDouble, 8);
    return Long(adLongVarWChar, kLongTextSize);
}

ColumnType AdoTypeOfDeclared(const QString& declaredType, bool notNull)
{
    ColumnType type = AdoTypeOfDeclared(declaredType);
    if (notNull)
        type.attributes &= ~static_cast<long>(adFldIsNullable | adFldMayBeNull);
    return type;
}

QString QuoteIdentifier(const QString& name)
{
    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

} // namespace engine::jetsql
