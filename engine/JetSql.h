// Private to the engine: Jet's SQL dialect translated into SQLite's by a
// tokenizer (never by searching the raw text), and Jet's functions
// registered on each SQLite connection.
#pragma once

#include <QString>
#include <QStringList>

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
    QString sql;  // SQLite's text; for procedures, the translated body

    // A SELECT over exactly one table, with no grouping, DISTINCT, union or
    // aggregate: its rows can be written back. baseTable is the table's
    // name as stored; selectList is the translated select list ("*" or the
    // expressions), so that a new row can be read back with
    // "SELECT rowid, <selectList> FROM <baseTable> WHERE rowid = ?".
    QString baseTable;
    QString selectList;

    int parameterCount = 0;  // '?' markers in sql

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
    QStringList procParamTypes;   // Jet type names as written
    QStringList executeArguments; // translated SQLite literals
};

// Throws platform::ComError(DB_E_ERRORSINCOMMAND) with Jet's description
// ("Syntax error in ...") when the text is not Jet SQL this engine knows.
Translation Translate(const QString& jetSql);

// Registers Now, Date, DateDiff, DateAdd, DatePart, Year, Month, Day, Hour,
// Minute, Second and the text functions under the names Translate uses.
void RegisterFunctions(sqlite3* db);

// The SQLite declared type that a Jet type name (with its size, "TEXT(50)")
// becomes in CREATE TABLE, and the ADO type, size and attributes that any
// declared type (Jet's or another tool's) reads as.
struct ColumnType {
    long adoType;
    long definedSize;
    long attributes;
};
ColumnType AdoTypeOfDeclared(const QString& declaredType);

// Quotes an identifier for SQLite ("a""b").
QString QuoteIdentifier(const QString& name);

}  // namespace engine::jetsql
