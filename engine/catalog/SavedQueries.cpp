// Jet's saved queries over SQLite. A procedure (CREATE PROCEDURE name
// (p1 TYPE, ...) AS statement) is kept as a row of the table MSysLexiQueries
// in the data file: its name, its declared parameters and its statement as
// written in Jet SQL. It is translated again each time it runs, with its
// parameters standing for SQLite's numbered markers, so it always runs as
// the translator of the day reads it. A view (CREATE VIEW) is a real SQLite
// view, so that other statements can select from it, and is also recorded
// in MSysLexiQueries to keep its Jet text and dates for the schema rowsets.
//
// Each change to the saved queries runs in one transaction (a savepoint
// inside the caller's), so a failure leaves the file as it was.
#include "engine/catalog/SavedQueries.h"

#include "engine/common/AdoError.h"
#include "engine/ado/Connection.h"
#include "engine/ado/Recordset.h"
#include "engine/sqlite/SqliteError.h"
#include "engine/sqlite/SqliteHandles.h"
#include "engine/sqlite/ValueConversion.h"
#include "platform/Clock.h"
#include "platform/OleDateTime.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <sqlite3.h>

namespace engine::savedqueries {

using platform::ComError;
using platform::Variant;

namespace {

const QString kKindProcedure = QStringLiteral("PROCEDURE");
const QString kKindView = QStringLiteral("VIEW");

sqlite3* OpenHandle(const std::shared_ptr<Connection>& connection)
{
    sqlite3* db = connection ? connection->Handle() : nullptr;
    if (!db)
        ThrowAdo(adErrInvalidConnection, QString::fromLatin1(adotext::kInvalidConnection), "Command");
    return db;
}

QString QueriesTable()
{
    return jetsql::QuoteIdentifier(QString::fromLatin1(kQueriesTable));
}

bool HasQueriesTable(sqlite3* db)
{
    Statement s(db, QByteArray("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1"));
    s.Bind(1, Variant::FromBstr(QString::fromLatin1(kQueriesTable)));
    return s.Step();
}

void EnsureQueriesTable(sqlite3* db)
{
    const QString sql = QStringLiteral("CREATE TABLE IF NOT EXISTS %1 ("
                                       "Name TEXT NOT NULL PRIMARY KEY COLLATE NOCASE, "
                                       "Kind TEXT NOT NULL, "
                                       "Parameters TEXT NOT NULL, "
                                       "Body TEXT NOT NULL, "
                                       "DateCreated TEXT NOT NULL, "
                                       "DateModified TEXT NOT NULL)")
                            .arg(QueriesTable());
    Statement s(db, sql);
    s.Step();
}

// "[name]" -> "name"; a name as Jet writes it in a command text.
QString PlainName(const QString& text)
{
    const QString t = text.trimmed();
    if (t.size() >= 2 && t.startsWith(u'[') && t.endsWith(u']'))
        return t.mid(1, t.size() - 2);
    return t;
}

QString NowStorageText()
{
    return platform::OleDateTime::FromQDateTime(platform::Clock::Now()).ToStorageText();
}

std::optional<double> OleDateOfText(const QString& text)
{
    if (const std::optional<platform::OleDateTime> d = platform::OleDateTime::Parse(text))
        return d->m_dt;
    return std::nullopt;
}

QString ParametersJson(const QStringList& names, const QStringList& types)
{
    QJsonArray array;
    for (qsizetype i = 0; i < names.size(); ++i) {
        QJsonObject p;
        p.insert(QStringLiteral("name"), names[i]);
        p.insert(QStringLiteral("type"), i < types.size() ? types[i] : QString());
        array.append(p);
    }
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

void ReadParametersJson(const QString& json, SavedQuery& query)
{
    const QJsonArray array = QJsonDocument::fromJson(json.toUtf8()).array();
    for (const QJsonValue& v : array) {
        const QJsonObject p = v.toObject();
        query.parameterNames.append(p.value(QStringLiteral("name")).toString());
        query.parameterTypes.append(p.value(QStringLiteral("type")).toString());
    }
}

SavedQuery QueryFromRow(const Statement& s)
{
    SavedQuery q;
    q.name = s.ColumnText(0);
    q.isView = s.ColumnText(1) == kKindView;
    ReadParametersJson(s.ColumnText(2), q);
    q.jetText = s.ColumnText(3);
    q.dateCreated = OleDateOfText(s.ColumnText(4));
    q.dateModified = OleDateOfText(s.ColumnText(5));
    return q;
}

// A view that another tool made (not recorded as a saved query): it runs
// as a selection of all its rows.
SavedQuery ForeignView(const QString& name)
{
    SavedQuery q;
    q.name = name;
    q.isView = true;
    q.jetText = QStringLiteral("SELECT * FROM [%1]").arg(name);
    return q;
}

std::optional<SavedQuery> FindIn(sqlite3* db, const QString& name)
{
    if (HasQueriesTable(db)) {
        Statement s(db,
            QStringLiteral("SELECT Name, Kind, Parameters, Body, DateCreated, DateModified FROM %1 "
                           "WHERE Name = ?1 COLLATE NOCASE")
                .arg(QueriesTable()));
        s.Bind(1, Variant::FromBstr(name));
        if (s.Step())
            return QueryFromRow(s);
    }
    Statement v(db, QByteArray("SELECT name FROM sqlite_master WHERE type = 'view' AND name = ?1 COLLATE NOCASE"));
    v.Bind(1, Variant::FromBstr(name));
    if (v.Step())
        return ForeignView(v.ColumnText(0));
    return std::nullopt;
}

// Whether a table, view or saved query already has the name (Jet keeps
// tables and queries in one name space).
bool NameTaken(sqlite3* db, const QString& name)
{
    Statement s(db,
        QByteArray("SELECT 1 FROM sqlite_master WHERE type IN ('table', 'view') "
                   "AND name = ?1 COLLATE NOCASE"));
    s.Bind(1, Variant::FromBstr(name));
    return s.Step() || FindIn(db, name).has_value();
}

[[noreturn]] void ThrowNotFound(const QString& name)
{
    ThrowJet(platform::DB_E_NOTABLE,
        QStringLiteral("The Microsoft Jet database engine cannot find the input table or "
                       "query '%1'.  Make sure it exists and that its name is spelled "
                       "correctly.")
            .arg(name));
}

[[noreturn]] void ThrowExists(const QString& name)
{
    ThrowJet(platform::DB_E_ERRORSINCOMMAND, QStringLiteral("Object '%1' already exists.").arg(name));
}

QString BodyTextOf(const jetsql::Translation& statement)
{
    return !statement.jetBody.isEmpty() ? statement.jetBody : statement.bodyJetText;
}

void InsertQuery(sqlite3* db, const QString& name, const QString& kind, const QString& parameters, const QString& body)
{
    Statement s(db,
        QStringLiteral("INSERT INTO %1 (Name, Kind, Parameters, Body, DateCreated, DateModified) "
                       "VALUES (?1, ?2, ?3, ?4, ?5, ?5)")
            .arg(QueriesTable()));
    const QString now = NowStorageText();
    s.Bind(1, Variant::FromBstr(name));
    s.Bind(2, Variant::FromBstr(kind));
    s.Bind(3, Variant::FromBstr(parameters));
    s.Bind(4, Variant::FromBstr(body));
    s.Bind(5, Variant::FromBstr(now));
    s.Step();
}

void CreateProcedure(sqlite3* db, const jetsql::Translation& statement)
{
    const QString name = statement.objectName;
    const QString body = BodyTextOf(statement);
    if (name.isEmpty() || body.trimmed().isEmpty())
        ThrowJet(platform::DB_E_ERRORSINCOMMAND, QStringLiteral("Syntax error in CREATE PROCEDURE statement."));
    Transaction transaction(db);
    if (NameTaken(db, name))
        ThrowExists(name);
    EnsureQueriesTable(db);
    InsertQuery(db, name, kKindProcedure, ParametersJson(statement.procParamNames, statement.procParamTypes), body);
    transaction.Commit();
}

void CreateView(sqlite3* db, const jetsql::Translation& statement)
{
    const QString name = statement.objectName;
    if (name.isEmpty() || statement.sql.trimmed().isEmpty())
        ThrowJet(platform::DB_E_ERRORSINCOMMAND, QStringLiteral("Syntax error in CREATE VIEW statement."));
    if (statement.parameterCount > 0 || !statement.procParamNames.isEmpty())
        ThrowJet(platform::DB_E_ERRORSINCOMMAND,
            QStringLiteral("A view cannot take parameters; use CREATE PROCEDURE for the query '%1'.").arg(name));
    Transaction transaction(db);
    if (NameTaken(db, name))
        ThrowExists(name);
    Statement create(db, QStringLiteral("CREATE VIEW %1 AS %2").arg(jetsql::QuoteIdentifier(name), statement.sql));
    create.Step();
    EnsureQueriesTable(db);
    const QString body = BodyTextOf(statement);
    InsertQuery(db, name, kKindView, ParametersJson({}, {}), body.isEmpty() ? statement.sql : body);
    transaction.Commit();
}

// DROP PROCEDURE and DROP VIEW each remove a saved query of either kind, as
// Jet lets both statements drop any query; neither ever drops a table.
void DropQuery(sqlite3* db, const jetsql::Translation& statement)
{
    const QString name = PlainName(statement.objectName);
    Transaction transaction(db);
    const std::optional<SavedQuery> query = FindIn(db, name);
    if (!query)
        ThrowNotFound(name);
    if (query->isView) {
        Statement drop(db, QStringLiteral("DROP VIEW IF EXISTS %1").arg(jetsql::QuoteIdentifier(query->name)));
        drop.Step();
    }
    if (HasQueriesTable(db)) {
        Statement remove(db, QStringLiteral("DELETE FROM %1 WHERE Name = ?1 COLLATE NOCASE").arg(QueriesTable()));
        remove.Bind(1, Variant::FromBstr(query->name));
        remove.Step();
    }
    transaction.Commit();
}

// The typed values of EXECUTE's arguments: SQLite evaluates the literals
// the translator wrote; a '?' argument takes the command's next value.
std::vector<Variant> ExecuteArguments(
    sqlite3* db, const jetsql::Translation& statement, const std::vector<Variant>& parameters)
{
    std::vector<Variant> values;
    std::size_t nextParameter = 0;
    for (const QString& argument : statement.executeArguments) {
        if (argument.trimmed() == u"?") {
            if (nextParameter >= parameters.size() || IsMissingValue(parameters[nextParameter]))
                ThrowJet(platform::DB_E_PARAMNOTOPTIONAL,
                    QStringLiteral("No value given for one or more required parameters."));
            values.push_back(parameters[nextParameter++]);
            continue;
        }
        Statement literal(db, QStringLiteral("SELECT %1").arg(argument));
        literal.Step();
        const StoredValue stored = literal.Column(0);
        switch (stored.kind) {
        case StoredValue::Null:
            values.push_back(Variant::Null());
            break;
        case StoredValue::Integer:
            if (stored.integer >= INT32_MIN && stored.integer <= INT32_MAX)
                values.push_back(Variant::FromI4(static_cast<std::int32_t>(stored.integer)));
            else
                values.push_back(Variant::FromI8(stored.integer));
            break;
        case StoredValue::Real:
            values.push_back(Variant::FromR8(stored.real));
            break;
        case StoredValue::Text:
            values.push_back(Variant::FromBstr(QString::fromUtf8(stored.bytes)));
            break;
        case StoredValue::Blob:
            values.push_back(Variant::FromBytes(stored.bytes));
            break;
        }
    }
    return values;
}

} // namespace

bool IsMissingValue(const Variant& value)
{
    return value.IsEmpty() || value.IsMissing();
}

Variant ConvertParameter(const Variant& value, long adoType, const QString& parameterName)
{
    if (value.IsNull() || adoType == adVariant || adoType == adEmpty)
        return value;
    try {
        const StoredValue stored = StoredForField(value, adoType, parameterName);
        return VariantFromStored(StoredRef::Of(stored), adoType);
    } catch (const ComError& e) {
        throw ComError(e.Error(),
            QStringLiteral("Data type mismatch in parameter '%1': %2")
                .arg(parameterName, e.Description().value_or(QString())),
            e.Source());
    }
}

std::shared_ptr<Recordset> Run(
    const std::shared_ptr<Connection>& connection, const jetsql::Translation& statement, long* recordsAffected)
{
    return Run(connection, statement, {}, recordsAffected);
}

std::shared_ptr<Recordset> Run(const std::shared_ptr<Connection>& connection, const jetsql::Translation& statement,
    const std::vector<Variant>& parameters, long* recordsAffected)
{
    sqlite3* db = OpenHandle(connection);
    if (recordsAffected)
        *recordsAffected = 0;
    // A name may now mean a saved query, or no longer mean one.
    if (statement.kind != jetsql::Translation::ExecuteProcedure)
        connection->NoteSchemaChange();
    switch (statement.kind) {
    case jetsql::Translation::CreateProcedure:
        CreateProcedure(db, statement);
        break;
    case jetsql::Translation::CreateView:
        CreateView(db, statement);
        break;
    case jetsql::Translation::DropProcedure:
    case jetsql::Translation::DropView:
        DropQuery(db, statement);
        break;
    case jetsql::Translation::ExecuteProcedure: {
        const QString name = PlainName(statement.objectName);
        const std::optional<SavedQuery> query = FindIn(db, name);
        if (!query)
            ThrowNotFound(name);
        return RunSaved(connection, *query, ExecuteArguments(db, statement, parameters), recordsAffected);
    }
    default:
        ThrowJet(platform::DB_E_ERRORSINCOMMAND,
            QStringLiteral("Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or "
                           "'UPDATE'."));
    }
    return Recordset::Create();
}

std::optional<SavedQuery> Find(const std::shared_ptr<Connection>& connection, const QString& name)
{
    sqlite3* db = OpenHandle(connection);
    const QString plain = PlainName(name);
    if (plain.isEmpty())
        return std::nullopt;
    return FindIn(db, plain);
}

std::vector<SavedQuery> All(const std::shared_ptr<Connection>& connection)
{
    sqlite3* db = OpenHandle(connection);
    std::vector<SavedQuery> all;
    if (HasQueriesTable(db)) {
        Statement s(db,
            QStringLiteral("SELECT Name, Kind, Parameters, Body, DateCreated, DateModified FROM %1 "
                           "ORDER BY Name COLLATE NOCASE")
                .arg(QueriesTable()));
        while (s.Step())
            all.push_back(QueryFromRow(s));
    }
    Statement views(db, QByteArray("SELECT name FROM sqlite_master WHERE type = 'view' ORDER BY name COLLATE NOCASE"));
    while (views.Step()) {
        const QString name = views.ColumnText(0);
        const bool recorded = std::any_of(all.begin(), all.end(),
            [&name](const SavedQuery& q) { return q.name.compare(name, Qt::CaseInsensitive) == 0; });
        if (!recorded)
            all.push_back(ForeignView(name));
    }
    return all;
}

std::shared_ptr<Recordset> RunSaved(const std::shared_ptr<Connection>& connection, const SavedQuery& query,
    const std::vector<Variant>& parameters, long* recordsAffected, long cursorType, long lockType)
{
    OpenHandle(connection);
    const qsizetype declared = query.parameterNames.size();
    if (static_cast<qsizetype>(parameters.size()) > declared) {
        ThrowAdo(platform::adErrInvalidArgument,
            QStringLiteral("The query '%1' takes %2 parameter(s), but %3 values were given.")
                .arg(query.name)
                .arg(declared)
                .arg(parameters.size()),
            "Command");
    }
    std::vector<Variant> values;
    values.reserve(static_cast<std::size_t>(declared));
    for (qsizetype i = 0; i < declared; ++i) {
        const std::size_t at = static_cast<std::size_t>(i);
        if (at >= parameters.size() || IsMissingValue(parameters[at]))
            ThrowJet(
                platform::DB_E_PARAMNOTOPTIONAL, QStringLiteral("No value given for one or more required parameters."));
        const QString type = i < query.parameterTypes.size() ? query.parameterTypes[i] : QString();
        const long adoType = type.isEmpty() ? long(adVariant) : jetsql::AdoTypeOfDeclared(type).adoType;
        values.push_back(ConvertParameter(parameters[at], adoType, query.parameterNames[i]));
    }

    const jetsql::Translation body = declared == 0
        ? jetsql::Translate(query.jetText, connection->Handle())
        : jetsql::TranslateWithParameters(query.jetText, query.parameterNames, connection->Handle());
    long affected = -1;
    std::shared_ptr<Recordset> result = Recordset::Create();
    if (body.kind == jetsql::Translation::Select) {
        result->OpenTranslated(connection, body, values, cursorType, lockType);
    } else {
        affected = connection->ExecuteTranslated(body, values);
    }
    if (recordsAffected)
        *recordsAffected = affected;
    return result;
}

} // namespace engine::savedqueries
