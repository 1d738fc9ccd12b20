// Private to the engine: Jet's SQL dialect translated into SQLite's by a
// tokenizer (never by searching the raw text), and Jet's functions
// registered on each SQLite connection.
#pragma once

#include <QString>
#include <QStringList>
#include <string>

struct sqlite3;

namespace engine::jetsql {

struct Translation {
    enum Kind {
        Select,
        Insert,
        Update,
        Delete,
        CreateTable,
        CreateIndex,
        DropTable,
        DropIndex,
        AlterTable,
        CreateProcedure,
        DropProcedure,
        CreateView,
        DropView,
        ExecuteProcedure,
        Other,
    };
    Kind kind = Other;
    QString sql; // SQLite's text; for procedures, the translated body

    // A SELECT over exactly one table, with no grouping, DISTINCT, union or
    // aggregate: its rows can be written back. baseTable is the table's
    // name as stored; selectList is the translated select list ("*" or the
    // expressions), so that a new row can be read back with
    // "SELECT rowid, <selectList> FROM <baseTable> WHERE rowid = ?".
    QString baseTable;
    QString selectList;
    // The alias of baseTable in the FROM clause ("FROM Words AS w"), empty
    // when none; the select list then names the alias, so a read-back
    // must say "FROM <baseTable> AS <baseAlias>".
    QString baseAlias;

    // For a SELECT: the ADO type Jet gives each item of its (first) select
    // list, in order; 0 (adEmpty) where the type is only known from the
    // values, -1 for an item "*" or "t.*".
    QList<long> itemTypes;

    // Values the statement needs, bound with sqlite3_bind_* by index:
    // '?' markers in order, and the parameters of a saved query (below).
    int parameterCount = 0;

    // CREATE PROCEDURE name (p1 TYPE, ...) AS statement / DROP PROCEDURE /
    // EXECUTE name value, ... / CREATE VIEW name AS select.
    // For CreateProcedure and CreateView, sql is the translated statement
    // after AS alone, and bodyJetText that statement exactly as written (to
    // be listed by the schema rowsets). In a procedure's sql each reference
    // to the k-th declared parameter is SQLite's numbered marker ?k (1-based,
    // in declaration order), so values bind once each, in declaration order;
    // parameterCount is then the number of declared parameters.
    QString objectName;
    QString bodyJetText;
    QStringList procParamNames;
    QStringList procParamTypes; // Jet type names as written
    QStringList executeArguments; // translated SQLite literals; "?" for a '?' argument

    // A statement that begins with Jet's "PARAMETERS p1 TYPE, ...;" clause
    // is translated like a procedure body: procParamNames/Types are filled,
    // its parameters are ?1, ?2, ... and parameterCount is their number. A
    // declared name wins over a column of the same name, as in Jet; a
    // declared parameter that the body never uses makes
    // sqlite3_bind_parameter_count() smaller than parameterCount.
    // bodyKind is the kind of the statement after AS (Select, Insert, ...)
    // for CreateProcedure, CreateView and a PARAMETERS statement; jetBody is
    // the same text as bodyJetText.
    Kind bodyKind = Other;
    QString jetBody;
};

// Throws platform::ComError(DB_E_ERRORSINCOMMAND) with Jet's description
// ("Syntax error in ...") when the text is not Jet SQL this engine knows;
// E_FAIL for "Query is too complex." and for keys Jet would refuse
// ("Primary key already exists."); DB_E_NOTSUPPORTED, naming the construct,
// for Jet SQL that SQLite cannot carry out (SELECT ... INTO, ALTER COLUMN,
// ADD CONSTRAINT, UPDATE or DELETE over joins, tables IN another file,
// WITH DISALLOW NULL). The source is "Microsoft JET Database Engine". The
// text is read up to its first NUL, as Jet reads it.
// schema, when given, is the connection the statement will run on: the
// declared types of its tables' columns make text comparisons ignore case
// only where text is compared, refuse a number compared with text that is
// no number, and give computed columns their types.
Translation Translate(const QString& jetSql, sqlite3* schema = nullptr);

// Translates the body of a saved query: parameterNames stand for its
// parameters, written as ?1, ?2, ... in this order (see above).
Translation TranslateWithParameters(
    const QString& jetSql, const QStringList& parameterNames, sqlite3* schema = nullptr);

// Registers Now, Date, DateDiff, DateAdd, DatePart, Year, Month, Day, Hour,
// Minute, Second and the text functions under the names Translate uses.
// Translate writes Now(), Date() and Time() as jet_now(0), jet_date(0) and
// jet_time(0): the clock is read once per run of the statement, as Jet reads
// it once per query (jet_now() with no argument reads it on every call).
// It also turns off SQLite's reading of an unknown "name" as a string in
// statements (SQLITE_DBCONFIG_DQS_DML), since every name Translate writes is
// double-quoted and a misspelt column must fail, not compare as text.
void RegisterFunctions(sqlite3* db);

// The jet_text collation's equality as a value: two UTF-8 texts compare
// equal under it exactly when their keys are equal (each code point folded
// as the collation folds it).
std::string TextKey(const QByteArray& utf8);

// Column defaults that read the clock. CREATE TABLE writes Jet's Now(),
// Date() and Time() as SQLite built-ins (so that a file still takes inserts
// in the plain sqlite3 shell); the engine's insert path recognises them by
// this (in the form PRAGMA table_info gives, with or without the outer
// parentheses, also CURRENT_TIMESTAMP and CURRENT_DATE of other tools) and
// fills the value from platform::Clock itself.
enum class ClockDefault { None, Now, Date, Time };
ClockDefault ClockDefaultOf(const QString& defaultText);

// The SQLite declared type that a Jet type name (with its size, "TEXT(50)")
// becomes in CREATE TABLE, and the ADO type, size and attributes that any
// declared type (Jet's or another tool's) reads as.
struct ColumnType {
    long adoType;
    long definedSize;
    long attributes; // as for a nullable, writable column
    int precision = 0; // adNumeric only
    int numericScale = 0; // adNumeric only
};
ColumnType AdoTypeOfDeclared(const QString& declaredType);
// The same with the nullable attributes cleared for a NOT NULL column.
ColumnType AdoTypeOfDeclared(const QString& declaredType, bool notNull);

// Quotes an identifier for SQLite ("a""b").
QString QuoteIdentifier(const QString& name);

} // namespace engine::jetsql
