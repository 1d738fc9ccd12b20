// Connection.OpenSchema: the OLE DB schema rowsets (tables, columns, primary
// keys, indexes, procedures, their parameters, and views) built from
// SQLite's catalog and the saved queries, with the columns, column types
// and restriction order that OLE DB documents for each rowset and
// the values Jet's provider puts in them. Catalog and schema are NULL, as
// Jet has neither; a restriction on them therefore matches nothing.
//
// Types come from each column's declared type read the way the rest of the
// engine reads it (jetsql::AdoTypeOfDeclared); the rowsets give OLE DB's
// type indicators, which know no "variable" or "long" types (those are
// column flags), so adVarWChar and adLongVarWChar both show as DBTYPE_WSTR.
#include "engine/catalog/SchemaRowsets.h"

#include "engine/common/AdoEnums.h"
#include "engine/common/AdoError.h"
#include "engine/ado/Connection.h"
#include "engine/jetsql/JetSql.h"
#include "engine/ado/Recordset.h"
#include "engine/catalog/SavedQueries.h"
#include "engine/sqlite/SqliteHandles.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <sqlite3.h>

namespace engine::schemarowsets {

using platform::Variant;

namespace {

constexpr auto kSource = "Connection";
constexpr long kNameLength = 128;

// OLE DB's values for the rowsets' coded columns.
constexpr std::int16_t DB_PT_PROCEDURE = 2;
constexpr std::uint16_t DBPARAMTYPE_INPUT = 1;
constexpr std::uint16_t DBPROPVAL_IT_BTREE = 1;
constexpr std::int32_t DBPROPVAL_IN_ALLOWNULL = 0;
constexpr std::int32_t DBPROPVAL_IN_DISALLOWNULL = 1;
constexpr std::int32_t DBPROPVAL_NC_LOW = 4; // SQLite sorts NULLs before every value
constexpr std::int16_t DB_COLLATION_ASC = 1;
constexpr std::int16_t DB_COLLATION_DESC = 2;

using Row = std::vector<Variant>;

ColumnInfo Column(const char* name, long type, long size = 0)
{
    ColumnInfo c;
    c.name = QString::fromLatin1(name);
    c.type = type;
    c.definedSize = size;
    c.attributes = adFldIsNullable | adFldMayBeNull;
    if (type != adVarWChar && type != adLongVarWChar)
        c.attributes |= adFldFixed;
    if (type == adLongVarWChar)
        c.attributes |= adFldLong;
    return c;
}

ColumnInfo NameColumn(const char* name)
{
    return Column(name, adVarWChar, kNameLength);
}

Variant Text(const QString& s)
{
    return Variant::FromBstr(s);
}

Variant TextOrNull(const QString& s)
{
    return s.isNull() ? Variant::Null() : Variant::FromBstr(s);
}

Variant DateOrNull(const std::optional<double>& d)
{
    return d ? Variant::FromDate(*d) : Variant::Null();
}

// A restriction list: the i-th entry restricts the i-th restriction column;
// an empty entry restricts nothing.
class Restrictions {
public:
    Restrictions(const QStringList& given, int count)
        : m_given(given)
    {
        if (given.size() > count)
            ThrowAdo(platform::adErrInvalidArgument, QString::fromLatin1(adotext::kInvalidArgument), kSource);
    }
    // Whether a value (absent for NULL) passes restriction i.
    bool Passes(int i, const std::optional<QString>& value) const
    {
        if (i >= m_given.size() || m_given[i].isEmpty())
            return true;
        return value && value->compare(m_given[i], Qt::CaseInsensitive) == 0;
    }
    // Catalog and schema are always NULL.
    bool PassesCatalogAndSchema() const { return Passes(0, std::nullopt) && Passes(1, std::nullopt); }

private:
    QStringList m_given;
};

struct TableEntry {
    QString name;
    QString type; // "TABLE", "VIEW", "SYSTEM TABLE"
};

bool IsHidden(const QString& name)
{
    return name.compare(QLatin1String(savedqueries::kQueriesTable), Qt::CaseInsensitive) == 0;
}

// The tables and views a user can see, sorted as OLE DB sorts TABLES (by
// type, then name).
std::vector<TableEntry> Tables(sqlite3* db)
{
    std::vector<TableEntry> tables;
    Statement s(db, QByteArray("SELECT type, name FROM sqlite_master WHERE type IN ('table', 'view')"));
    while (s.Step()) {
        const QString name = s.ColumnText(1);
        if (IsHidden(name))
            continue;
        QString type;
        if (s.ColumnText(0) == u"view")
            type = QStringLiteral("VIEW");
        else if (name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive))
            type = QStringLiteral("SYSTEM TABLE");
        else
            type = QStringLiteral("TABLE");
        tables.push_back({ name, type });
    }
    std::sort(tables.begin(), tables.end(), [](const TableEntry& a, const TableEntry& b) {
        if (a.type != b.type)
            return a.type < b.type;
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    return tables;
}

// One column of a table as PRAGMA table_info describes it.
struct TableColumn {
    int ordinal = 0; // 1-based
    QString name;
    QString declaredType;
    bool notNull = false;
    std::optional<QString> defaultText;
    int primaryKeyPosition = 0; // 1-based within the key; 0 outside it
};

std::vector<TableColumn> ColumnsOf(sqlite3* db, const QString& table)
{
    std::vector<TableColumn> columns;
    Statement s(db, QStringLiteral("PRAGMA table_info(%1)").arg(jetsql::QuoteIdentifier(table)));
    while (s.Step()) {
        TableColumn c;
        c.ordinal = static_cast<int>(s.ColumnInt(0)) + 1;
        c.name = s.ColumnText(1);
        c.declaredType = s.ColumnText(2);
        c.notNull = s.ColumnInt(3) != 0;
        if (s.Column(4).kind != StoredValue::Null)
            c.defaultText = s.ColumnText(4);
        c.primaryKeyPosition = static_cast<int>(s.ColumnInt(5));
        columns.push_back(std::move(c));
    }
    return columns;
}

// SQLite's INTEGER PRIMARY KEY is the row's own number: never NULL, and a
// key without an index of its own.
std::optional<QString> RowidAlias(const std::vector<TableColumn>& columns)
{
    const auto keyColumns
        = std::count_if(columns.begin(), columns.end(), [](const TableColumn& c) { return c.primaryKeyPosition > 0; });
    if (keyColumns != 1)
        return std::nullopt;
    const auto key
        = std::find_if(columns.begin(), columns.end(), [](const TableColumn& c) { return c.primaryKeyPosition > 0; });
    if (key->declaredType.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0)
        return key->name;
    return std::nullopt;
}

// The OLE DB type indicator of an ADO type: no variable or long forms.
std::uint16_t TypeIndicator(long adoType)
{
    switch (adoType) {
    case adVarWChar:
    case adLongVarWChar:
        return adWChar;
    case adVarChar:
    case adLongVarChar:
        return adChar;
    case adVarBinary:
    case adLongVarBinary:
        return adBinary;
    default:
        return static_cast<std::uint16_t>(adoType);
    }
}

std::optional<std::uint16_t> PrecisionOf(const jetsql::ColumnType& t)
{
    switch (t.adoType) {
    case adTinyInt:
    case adUnsignedTinyInt:
        return 3;
    case adSmallInt:
    case adUnsignedSmallInt:
        return 5;
    case adInteger:
    case adUnsignedInt:
        return 10;
    case adBigInt:
        return 19;
    case adUnsignedBigInt:
        return 20;
    case adSingle:
        return 7;
    case adDouble:
        return 15;
    case adCurrency:
        return 19;
    case adDecimal:
    case adNumeric:
        return static_cast<std::uint16_t>(t.precision);
    default:
        return std::nullopt;
    }
}

bool IsCharacterType(long adoType)
{
    switch (adoType) {
    case adChar:
    case adWChar:
    case adVarChar:
    case adVarWChar:
    case adLongVarChar:
    case adLongVarWChar:
    case adBSTR:
    case adBinary:
    case adVarBinary:
    case adLongVarBinary:
        return true;
    default:
        return false;
    }
}

long OctetsPerCharacter(long adoType)
{
    return adoType == adWChar || adoType == adVarWChar || adoType == adLongVarWChar || adoType == adBSTR ? 2 : 1;
}

// The description columns shared by COLUMNS and PROCEDURE_PARAMETERS:
// DATA_TYPE, CHARACTER_MAXIMUM_LENGTH, CHARACTER_OCTET_LENGTH,
// NUMERIC_PRECISION, NUMERIC_SCALE.
struct TypeColumns {
    Variant dataType;
    Variant maxLength;
    Variant octetLength;
    Variant precision;
    Variant scale;
};

TypeColumns DescribeType(const jetsql::ColumnType& t, bool precisionIsUI2 = true)
{
    TypeColumns d;
    d.dataType = Variant::FromUI2(TypeIndicator(t.adoType));
    d.maxLength = Variant::Null();
    d.octetLength = Variant::Null();
    if (IsCharacterType(t.adoType)) {
        const std::uint32_t length = static_cast<std::uint32_t>(std::max<long>(t.definedSize, 0));
        d.maxLength = Variant::FromUI4(length);
        const std::uint64_t octets = std::uint64_t(length) * std::uint64_t(OctetsPerCharacter(t.adoType));
        d.octetLength = Variant::FromUI4(static_cast<std::uint32_t>(std::min<std::uint64_t>(octets, 0xFFFFFFFFu)));
    }
    const std::optional<std::uint16_t> precision = PrecisionOf(t);
    d.precision = precision
        ? (precisionIsUI2 ? Variant::FromUI2(*precision) : Variant::FromI2(std::int16_t(*precision)))
        : Variant::Null();
    d.scale = t.adoType == adDecimal || t.adoType == adNumeric ? Variant::FromI2(std::int16_t(t.numericScale))
                                                               : Variant::Null();
    return d;
}

std::shared_ptr<Recordset> Build(std::vector<ColumnInfo> columns, std::vector<Row> rows)
{
    return Recordset::FromRows(std::move(columns), std::move(rows), false);
}

// TABLES: restrictions TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME, TABLE_TYPE.
std::shared_ptr<Recordset> TablesRowset(
    sqlite3* db, const std::shared_ptr<Connection>& connection, const QStringList& given)
{
    const Restrictions r(given, 4);
    std::vector<ColumnInfo> columns = { NameColumn("TABLE_CATALOG"), NameColumn("TABLE_SCHEMA"),
        NameColumn("TABLE_NAME"), NameColumn("TABLE_TYPE"), Column("TABLE_GUID", adGUID, 16),
        Column("DESCRIPTION", adVarWChar, 255), Column("TABLE_PROPID", adUnsignedInt, 4),
        Column("DATE_CREATED", adDate, 8), Column("DATE_MODIFIED", adDate, 8) };
    std::vector<Row> rows;
    if (r.PassesCatalogAndSchema()) {
        const std::vector<savedqueries::SavedQuery> queries = savedqueries::All(connection);
        for (const TableEntry& t : Tables(db)) {
            if (!r.Passes(2, t.name) || !r.Passes(3, t.type))
                continue;
            std::optional<double> created;
            std::optional<double> modified;
            for (const savedqueries::SavedQuery& q : queries) {
                if (q.isView && q.name.compare(t.name, Qt::CaseInsensitive) == 0) {
                    created = q.dateCreated;
                    modified = q.dateModified;
                }
            }
            rows.push_back({ Variant::Null(), Variant::Null(), Text(t.name), Text(t.type), Variant::Null(),
                Variant::Null(), Variant::Null(), DateOrNull(created), DateOrNull(modified) });
        }
    }
    return Build(std::move(columns), std::move(rows));
}

// COLUMNS: restrictions TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME, COLUMN_NAME.
std::shared_ptr<Recordset> ColumnsRowset(sqlite3* db, const QStringList& given)
{
    const Restrictions r(given, 4);
    std::vector<ColumnInfo> columns = {
        NameColumn("TABLE_CATALOG"),
        NameColumn("TABLE_SCHEMA"),
        NameColumn("TABLE_NAME"),
        NameColumn("COLUMN_NAME"),
        Column("COLUMN_GUID", adGUID, 16),
        Column("COLUMN_PROPID", adUnsignedInt, 4),
        Column("ORDINAL_POSITION", adUnsignedInt, 4),
        Column("COLUMN_HASDEFAULT", adBoolean, 2),
        Column("COLUMN_DEFAULT", adLongVarWChar, 0),
        Column("COLUMN_FLAGS", adUnsignedInt, 4),
        Column("IS_NULLABLE", adBoolean, 2),
        Column("DATA_TYPE", adUnsignedSmallInt, 2),
        Column("TYPE_GUID", adGUID, 16),
        Column("CHARACTER_MAXIMUM_LENGTH", adUnsignedInt, 4),
        Column("CHARACTER_OCTET_LENGTH", adUnsignedInt, 4),
        Column("NUMERIC_PRECISION", adUnsignedSmallInt, 2),
        Column("NUMERIC_SCALE", adSmallInt, 2),
        Column("DATETIME_PRECISION", adUnsignedInt, 4),
        NameColumn("CHARACTER_SET_CATALOG"),
        NameColumn("CHARACTER_SET_SCHEMA"),
        NameColumn("CHARACTER_SET_NAME"),
        NameColumn("COLLATION_CATALOG"),
        NameColumn("COLLATION_SCHEMA"),
        NameColumn("COLLATION_NAME"),
        NameColumn("DOMAIN_CATALOG"),
        NameColumn("DOMAIN_SCHEMA"),
        NameColumn("DOMAIN_NAME"),
        Column("DESCRIPTION", adVarWChar, 255),
    };
    std::vector<Row> rows;
    if (r.PassesCatalogAndSchema()) {
        std::vector<TableEntry> tables = Tables(db);
        std::sort(tables.begin(), tables.end(),
            [](const TableEntry& a, const TableEntry& b) { return a.name.compare(b.name, Qt::CaseInsensitive) < 0; });
        for (const TableEntry& t : tables) {
            if (!r.Passes(2, t.name))
                continue;
            const std::vector<TableColumn> tableColumns = ColumnsOf(db, t.name);
            const std::optional<QString> rowid = RowidAlias(tableColumns);
            for (const TableColumn& c : tableColumns) {
                if (!r.Passes(3, c.name))
                    continue;
                const bool isRowid = rowid && *rowid == c.name;
                const bool notNull = c.notNull || isRowid;
                const jetsql::ColumnType type = jetsql::AdoTypeOfDeclared(c.declaredType, notNull);
                long flags = type.attributes;
                if (notNull)
                    flags &= ~(adFldIsNullable | adFldMayBeNull);
                const TypeColumns d = DescribeType(type);
                const bool isDate = type.adoType == adDate || type.adoType == adDBDate || type.adoType == adDBTime
                    || type.adoType == adDBTimeStamp;
                Row row(columns.size(), Variant::Null());
                row[2] = Text(t.name);
                row[3] = Text(c.name);
                row[6] = Variant::FromUI4(static_cast<std::uint32_t>(c.ordinal));
                row[7] = Variant::FromBool(c.defaultText.has_value());
                row[8] = c.defaultText ? Text(*c.defaultText) : Variant::Null();
                row[9] = Variant::FromUI4(static_cast<std::uint32_t>(flags));
                row[10] = Variant::FromBool(!notNull);
                row[11] = d.dataType;
                row[13] = d.maxLength;
                row[14] = d.octetLength;
                row[15] = d.precision;
                row[16] = d.scale;
                row[17] = isDate ? Variant::FromUI4(0) : Variant::Null();
                rows.push_back(std::move(row));
            }
        }
    }
    return Build(std::move(columns), std::move(rows));
}

// One index key column, gathered for both PRIMARY_KEYS and INDEXES.
struct IndexColumn {
    QString table;
    QString index;
    bool primaryKey = false;
    bool unique = false;
    bool clustered = false;
    int position = 0; // 1-based
    QString column;
    bool descending = false;
};

std::vector<IndexColumn> IndexColumns(sqlite3* db, const QString& table)
{
    std::vector<IndexColumn> keys;
    const std::vector<TableColumn> columns = ColumnsOf(db, table);
    if (const std::optional<QString> rowid = RowidAlias(columns)) {
        keys.push_back({ table, QStringLiteral("PrimaryKey"), true, true, true, 1, *rowid, false });
    }
    Statement list(db, QStringLiteral("PRAGMA index_list(%1)").arg(jetsql::QuoteIdentifier(table)));
    while (list.Step()) {
        const QString sqliteName = list.ColumnText(1);
        const bool unique = list.ColumnInt(2) != 0;
        const bool primaryKey = list.ColumnText(3) == u"pk";
        const QString name = primaryKey ? QStringLiteral("PrimaryKey") : sqliteName;
        Statement info(db, QStringLiteral("PRAGMA index_xinfo(%1)").arg(jetsql::QuoteIdentifier(sqliteName)));
        while (info.Step()) {
            if (info.ColumnInt(5) == 0)
                continue; // the row's own number that every index entry carries
            IndexColumn k;
            k.table = table;
            k.index = name;
            k.primaryKey = primaryKey;
            k.unique = unique;
            k.position = static_cast<int>(info.ColumnInt(0)) + 1;
            k.column = info.Column(2).kind == StoredValue::Null ? QStringLiteral("(expression)") : info.ColumnText(2);
            k.descending = info.ColumnInt(3) != 0;
            keys.push_back(std::move(k));
        }
    }
    return keys;
}

std::vector<IndexColumn> AllIndexColumns(sqlite3* db, const std::function<bool(const QString&)>& wantTable)
{
    std::vector<IndexColumn> all;
    for (const TableEntry& t : Tables(db)) {
        if (t.type == u"VIEW" || !wantTable(t.name))
            continue;
        std::vector<IndexColumn> keys = IndexColumns(db, t.name);
        all.insert(all.end(), keys.begin(), keys.end());
    }
    std::sort(all.begin(), all.end(), [](const IndexColumn& a, const IndexColumn& b) {
        if (const int c = a.table.compare(b.table, Qt::CaseInsensitive))
            return c < 0;
        if (const int c = a.index.compare(b.index, Qt::CaseInsensitive))
            return c < 0;
        return a.position < b.position;
    });
    return all;
}

// PRIMARY_KEYS: restrictions TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME.
std::shared_ptr<Recordset> PrimaryKeysRowset(sqlite3* db, const QStringList& given)
{
    const Restrictions r(given, 3);
    std::vector<ColumnInfo> columns = { NameColumn("TABLE_CATALOG"), NameColumn("TABLE_SCHEMA"),
        NameColumn("TABLE_NAME"), NameColumn("COLUMN_NAME"), Column("COLUMN_GUID", adGUID, 16),
        Column("COLUMN_PROPID", adUnsignedInt, 4), Column("ORDINAL", adUnsignedInt, 4), NameColumn("PK_NAME") };
    std::vector<Row> rows;
    if (r.PassesCatalogAndSchema()) {
        for (const IndexColumn& k : AllIndexColumns(db, [&r](const QString& t) { return r.Passes(2, t); })) {
            if (!k.primaryKey)
                continue;
            rows.push_back({ Variant::Null(), Variant::Null(), Text(k.table), Text(k.column), Variant::Null(),
                Variant::Null(), Variant::FromUI4(static_cast<std::uint32_t>(k.position)), Text(k.index) });
        }
    }
    return Build(std::move(columns), std::move(rows));
}

// INDEXES: restrictions TABLE_CATALOG, TABLE_SCHEMA, INDEX_NAME, TYPE,
// TABLE_NAME.
std::shared_ptr<Recordset> IndexesRowset(sqlite3* db, const QStringList& given)
{
    const Restrictions r(given, 5);
    std::vector<ColumnInfo> columns = {
        NameColumn("TABLE_CATALOG"),
        NameColumn("TABLE_SCHEMA"),
        NameColumn("TABLE_NAME"),
        NameColumn("INDEX_CATALOG"),
        NameColumn("INDEX_SCHEMA"),
        NameColumn("INDEX_NAME"),
        Column("PRIMARY_KEY", adBoolean, 2),
        Column("UNIQUE", adBoolean, 2),
        Column("CLUSTERED", adBoolean, 2),
        Column("TYPE", adUnsignedSmallInt, 2),
        Column("FILL_FACTOR", adInteger, 4),
        Column("INITIAL_SIZE", adInteger, 4),
        Column("NULLS", adInteger, 4),
        Column("SORT_BOOKMARKS", adBoolean, 2),
        Column("AUTO_UPDATE", adBoolean, 2),
        Column("NULL_COLLATION", adInteger, 4),
        Column("ORDINAL_POSITION", adUnsignedInt, 4),
        NameColumn("COLUMN_NAME"),
        Column("COLUMN_GUID", adGUID, 16),
        Column("COLUMN_PROPID", adUnsignedInt, 4),
        Column("COLLATION", adSmallInt, 2),
        Column("CARDINALITY", adUnsignedBigInt, 8),
        Column("PAGES", adInteger, 4),
        Column("FILTER_CONDITION", adVarWChar, 255),
        Column("INTEGRATED", adBoolean, 2),
    };
    std::vector<Row> rows;
    const QString btree = QString::number(DBPROPVAL_IT_BTREE);
    if (r.PassesCatalogAndSchema() && r.Passes(3, btree)) {
        for (const IndexColumn& k : AllIndexColumns(db, [&r](const QString& t) { return r.Passes(4, t); })) {
            if (!r.Passes(2, k.index))
                continue;
            Row row(columns.size(), Variant::Null());
            row[2] = Text(k.table);
            row[5] = Text(k.index);
            row[6] = Variant::FromBool(k.primaryKey);
            row[7] = Variant::FromBool(k.unique);
            row[8] = Variant::FromBool(k.clustered);
            row[9] = Variant::FromUI2(DBPROPVAL_IT_BTREE);
            row[10] = Variant::FromI4(100);
            row[12] = Variant::FromI4(k.primaryKey ? DBPROPVAL_IN_DISALLOWNULL : DBPROPVAL_IN_ALLOWNULL);
            row[13] = Variant::FromBool(false);
            row[14] = Variant::FromBool(true);
            row[15] = Variant::FromI4(DBPROPVAL_NC_LOW);
            row[16] = Variant::FromUI4(static_cast<std::uint32_t>(k.position));
            row[17] = Text(k.column);
            row[20] = Variant::FromI2(k.descending ? DB_COLLATION_DESC : DB_COLLATION_ASC);
            rows.push_back(std::move(row));
        }
    }
    return Build(std::move(columns), std::move(rows));
}

// A name as a PARAMETERS clause writes it: bare when it is a plain word.
QString ParameterNameText(const QString& name)
{
    const bool plain = !name.isEmpty() && !name[0].isDigit()
        && std::all_of(name.begin(), name.end(), [](QChar c) { return c.isLetterOrNumber() || c == u'_'; });
    return plain ? name : QStringLiteral("[%1]").arg(name);
}

// Jet shows a query with parameters as its PARAMETERS clause, a line end,
// and its statement.
QString ProcedureDefinition(const savedqueries::SavedQuery& q)
{
    if (q.parameterNames.isEmpty())
        return q.jetText;
    QStringList declared;
    for (qsizetype i = 0; i < q.parameterNames.size(); ++i) {
        const QString type = i < q.parameterTypes.size() ? q.parameterTypes[i] : QString();
        declared.append((ParameterNameText(q.parameterNames[i]) + u' ' + type).trimmed());
    }
    return QStringLiteral("PARAMETERS %1;\r\n%2").arg(declared.join(QStringLiteral(", ")), q.jetText);
}

// PROCEDURES: restrictions PROCEDURE_CATALOG, PROCEDURE_SCHEMA,
// PROCEDURE_NAME, PROCEDURE_TYPE.
std::shared_ptr<Recordset> ProceduresRowset(const std::shared_ptr<Connection>& connection, const QStringList& given)
{
    const Restrictions r(given, 4);
    std::vector<ColumnInfo> columns = { NameColumn("PROCEDURE_CATALOG"), NameColumn("PROCEDURE_SCHEMA"),
        NameColumn("PROCEDURE_NAME"), Column("PROCEDURE_TYPE", adSmallInt, 2),
        Column("PROCEDURE_DEFINITION", adLongVarWChar, 0), Column("DESCRIPTION", adVarWChar, 255),
        Column("DATE_CREATED", adDate, 8), Column("DATE_MODIFIED", adDate, 8) };
    std::vector<Row> rows;
    if (r.PassesCatalogAndSchema() && r.Passes(3, QString::number(DB_PT_PROCEDURE))) {
        for (const savedqueries::SavedQuery& q : savedqueries::All(connection)) {
            if (q.isView || !r.Passes(2, q.name))
                continue;
            rows.push_back({ Variant::Null(), Variant::Null(), Text(q.name), Variant::FromI2(DB_PT_PROCEDURE),
                Text(ProcedureDefinition(q)), Variant::Null(), DateOrNull(q.dateCreated), DateOrNull(q.dateModified) });
        }
    }
    return Build(std::move(columns), std::move(rows));
}

// PROCEDURE_PARAMETERS: restrictions PROCEDURE_CATALOG, PROCEDURE_SCHEMA,
// PROCEDURE_NAME, PARAMETER_NAME.
std::shared_ptr<Recordset> ProcedureParametersRowset(
    const std::shared_ptr<Connection>& connection, const QStringList& given)
{
    const Restrictions r(given, 4);
    std::vector<ColumnInfo> columns = { NameColumn("PROCEDURE_CATALOG"), NameColumn("PROCEDURE_SCHEMA"),
        NameColumn("PROCEDURE_NAME"), NameColumn("PARAMETER_NAME"), Column("ORDINAL_POSITION", adUnsignedSmallInt, 2),
        Column("PARAMETER_TYPE", adUnsignedSmallInt, 2), Column("PARAMETER_HASDEFAULT", adBoolean, 2),
        Column("PARAMETER_DEFAULT", adVarWChar, 255), Column("IS_NULLABLE", adBoolean, 2),
        Column("DATA_TYPE", adUnsignedSmallInt, 2), Column("CHARACTER_MAXIMUM_LENGTH", adUnsignedInt, 4),
        Column("CHARACTER_OCTET_LENGTH", adUnsignedInt, 4), Column("NUMERIC_PRECISION", adUnsignedSmallInt, 2),
        Column("NUMERIC_SCALE", adSmallInt, 2), Column("DESCRIPTION", adVarWChar, 255), NameColumn("TYPE_NAME"),
        NameColumn("LOCAL_TYPE_NAME") };
    std::vector<Row> rows;
    if (r.PassesCatalogAndSchema()) {
        for (const savedqueries::SavedQuery& q : savedqueries::All(connection)) {
            if (q.isView || !r.Passes(2, q.name))
                continue;
            for (qsizetype i = 0; i < q.parameterNames.size(); ++i) {
                if (!r.Passes(3, q.parameterNames[i]))
                    continue;
                const QString typeName = i < q.parameterTypes.size() ? q.parameterTypes[i] : QString();
                const jetsql::ColumnType type = jetsql::AdoTypeOfDeclared(typeName);
                const TypeColumns d = DescribeType(type);
                rows.push_back({ Variant::Null(), Variant::Null(), Text(q.name), Text(q.parameterNames[i]),
                    Variant::FromUI2(static_cast<std::uint16_t>(i + 1)), Variant::FromUI2(DBPARAMTYPE_INPUT),
                    Variant::FromBool(false), Variant::Null(), Variant::FromBool(true), d.dataType, d.maxLength,
                    d.octetLength, d.precision, d.scale, Variant::Null(), TextOrNull(typeName), TextOrNull(typeName) });
            }
        }
    }
    return Build(std::move(columns), std::move(rows));
}

// The SQL of a view another tool made, after its AS.
QString ForeignViewDefinition(sqlite3* db, const QString& name)
{
    Statement s(db, QByteArray("SELECT sql FROM sqlite_master WHERE type = 'view' AND name = ?1"));
    s.Bind(1, Variant::FromBstr(name));
    return s.Step() ? s.ColumnText(0) : QString();
}

// VIEWS: restrictions TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME.
std::shared_ptr<Recordset> ViewsRowset(
    sqlite3* db, const std::shared_ptr<Connection>& connection, const QStringList& given)
{
    const Restrictions r(given, 3);
    std::vector<ColumnInfo> columns = { NameColumn("TABLE_CATALOG"), NameColumn("TABLE_SCHEMA"),
        NameColumn("TABLE_NAME"), Column("VIEW_DEFINITION", adLongVarWChar, 0), Column("CHECK_OPTION", adBoolean, 2),
        Column("IS_UPDATABLE", adBoolean, 2), Column("DESCRIPTION", adVarWChar, 255), Column("DATE_CREATED", adDate, 8),
        Column("DATE_MODIFIED", adDate, 8) };
    std::vector<Row> rows;
    if (r.PassesCatalogAndSchema()) {
        for (const savedqueries::SavedQuery& q : savedqueries::All(connection)) {
            if (!q.isView || !r.Passes(2, q.name))
                continue;
            const QString definition = q.dateCreated ? q.jetText : ForeignViewDefinition(db, q.name);
            rows.push_back({ Variant::Null(), Variant::Null(), Text(q.name), Text(definition), Variant::FromBool(false),
                Variant::FromBool(false), Variant::Null(), DateOrNull(q.dateCreated), DateOrNull(q.dateModified) });
        }
    }
    return Build(std::move(columns), std::move(rows));
}

} // namespace

std::shared_ptr<Recordset> Open(
    const std::shared_ptr<Connection>& connection, long schema, const QStringList& restrictions)
{
    sqlite3* db = connection ? connection->Handle() : nullptr;
    if (!db)
        ThrowAdo(platform::adErrObjectClosed, QString::fromLatin1(adotext::kObjectClosed), kSource);
    switch (schema) {
    case adSchemaTables:
        return TablesRowset(db, connection, restrictions);
    case adSchemaColumns:
        return ColumnsRowset(db, restrictions);
    case adSchemaPrimaryKeys:
        return PrimaryKeysRowset(db, restrictions);
    case adSchemaIndexes:
        return IndexesRowset(db, restrictions);
    case adSchemaProcedures:
        return ProceduresRowset(connection, restrictions);
    case adSchemaProcedureParameters:
        return ProcedureParametersRowset(connection, restrictions);
    case adSchemaViews:
        return ViewsRowset(db, connection, restrictions);
    default:
        ThrowAdo(platform::adErrFeatureNotAvailable,
            QStringLiteral("Object or provider is not capable of performing requested operation."), kSource);
    }
}

} // namespace engine::schemarowsets
