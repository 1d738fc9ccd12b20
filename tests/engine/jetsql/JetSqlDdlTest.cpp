// Jet's DDL as SQLite keeps it: the tables the program's data file holds,
// read back through SQLite's catalog into ADO types, sizes and defaults; the
// keys, indexes and changes Jet can write; and the declared types that other
// SQLite tools write.
#include "JetSqlTestDatabase.h"
#include "engine/common/AdoEnums.h"
#include "engine/jetsql/JetSql.h"
#include "platform/ComError.h"

#include <QMap>
#include <gtest/gtest.h>

using engine::jetsql::AdoTypeOfDeclared;
using engine::jetsql::ClockDefault;
using engine::jetsql::ClockDefaultOf;
using engine::jetsql::ColumnType;
using engine::jetsql::Translate;
using lexitest::JetSqlTestDatabase;

namespace {

struct ColumnInfo {
    QString declared;
    bool notNull = false;
    QString defaultText;
    bool primaryKey = false;
};

QMap<QString, ColumnInfo> ColumnsOf(JetSqlTestDatabase& db, const QString& table)
{
    QMap<QString, ColumnInfo> columns;
    const auto result
        = db.RunSqlite(QStringLiteral("PRAGMA table_info(%1)").arg(engine::jetsql::QuoteIdentifier(table)));
    for (const QVariantList& row : result.rows)
        columns.insert(row[1].toString(),
            ColumnInfo { row[2].toString(), row[3].toInt() != 0, row[4].toString(), row[5].toInt() != 0 });
    return columns;
}

QString CreateError(const QString& jet, platform::HRESULT* hr = nullptr)
{
    try {
        Translate(jet);
    } catch (const platform::ComError& e) {
        if (hr != nullptr)
            *hr = e.Error();
        return e.Description().value_or(QString());
    }
    return QStringLiteral("(no error)");
}

TEST(JetSqlDdlTest, WordTablesReadBackWithTheirAdoTypesAndDefaults)
{
    JetSqlTestDatabase db;
    db.Exec("CREATE TABLE Words (ID COUNTER PRIMARY KEY, Word TEXT(50) NOT NULL, Pronunciation TEXT, "
            "Description MEMO, MemoryCycle LONG DEFAULT 1, [Date] DATETIME DEFAULT Now())");
    db.Exec("CREATE TABLE NewWords (ID AUTOINCREMENT CONSTRAINT PK_NewWords PRIMARY KEY, Word VARCHAR(255), "
            "Pronunciation TEXT(255) WITH COMPRESSION, Description LONGTEXT, Added DATE DEFAULT Date(), "
            "Flag YESNO DEFAULT False, Small SHORT, Tiny BYTE, Ratio SINGLE, Amount CURRENCY DEFAULT 0, "
            "Measure DOUBLE DEFAULT -1.5, Picture LONGBINARY, Exact DECIMAL(10,2), Note TEXT(10) DEFAULT \"n/a\")");

    using namespace engine;
    // Each column's ADO type and size, and its default as SQLite keeps it or
    // as the clock that fills it.
    const struct {
        const char* column; // table.column
        long type;
        long size;
        const char* defaultText = "";
        ClockDefault clock = ClockDefault::None;
    } columns[] = { { "Words.ID", adInteger, 4 }, { "Words.Word", adVarWChar, 50 },
        { "Words.Pronunciation", adVarWChar, 255 }, { "Words.Description", adLongVarWChar, 536870910 },
        { "Words.MemoryCycle", adInteger, 4, "1" }, { "Words.Date", adDate, 8, nullptr, ClockDefault::Now },
        { "NewWords.ID", adInteger, 4 }, { "NewWords.Word", adVarWChar, 255 },
        { "NewWords.Pronunciation", adVarWChar, 255 }, { "NewWords.Description", adLongVarWChar, 536870910 },
        { "NewWords.Added", adDate, 8, nullptr, ClockDefault::Date }, { "NewWords.Flag", adBoolean, 2, "0" },
        { "NewWords.Small", adSmallInt, 2 }, { "NewWords.Tiny", adUnsignedTinyInt, 1 },
        { "NewWords.Ratio", adSingle, 4 }, { "NewWords.Amount", adCurrency, 8, "0" },
        { "NewWords.Measure", adDouble, 8, "-1.5" }, { "NewWords.Picture", adLongVarBinary, 1073741823 },
        { "NewWords.Exact", adNumeric, 19 }, { "NewWords.Note", adVarWChar, 10, "'n/a'" } };
    const QMap<QString, ColumnInfo> words = ColumnsOf(db, "Words");
    const QMap<QString, ColumnInfo> newWords = ColumnsOf(db, "NewWords");
    EXPECT_EQ(words.size(), 6);
    for (const auto& c : columns) {
        SCOPED_TRACE(c.column);
        const QStringList name = QString::fromLatin1(c.column).split(u'.');
        const ColumnInfo info = (name[0] == "Words" ? words : newWords).value(name[1]);
        const ColumnType t = AdoTypeOfDeclared(info.declared, info.notNull);
        EXPECT_EQ(t.adoType, c.type);
        EXPECT_EQ(t.definedSize, c.size);
        EXPECT_EQ(ClockDefaultOf(info.defaultText), c.clock);
        if (c.defaultText != nullptr) {
            EXPECT_EQ(info.defaultText, QString::fromLatin1(c.defaultText));
        }
        EXPECT_EQ(info.primaryKey, name[1] == "ID");
    }
    EXPECT_TRUE(AdoTypeOfDeclared(words["ID"].declared).attributes & adFldFixed);
    const long wordAttributes = AdoTypeOfDeclared(words["Word"].declared, words["Word"].notNull).attributes;
    EXPECT_FALSE(wordAttributes & (adFldIsNullable | adFldMayBeNull));
    EXPECT_TRUE(AdoTypeOfDeclared(words["Pronunciation"].declared).attributes & adFldIsNullable);
    EXPECT_TRUE(AdoTypeOfDeclared(words["Description"].declared).attributes & adFldLong);
    const ColumnType exact = AdoTypeOfDeclared(newWords["Exact"].declared);
    EXPECT_EQ(exact.precision, 10);
    EXPECT_EQ(exact.numericScale, 2);

    // The defaults work in SQLite itself, and text compares without case.
    db.RunSqlite("INSERT INTO \"NewWords\" (\"Word\") VALUES ('Apple')");
    const auto row = db.Rows("SELECT Added, Flag, Note FROM NewWords WHERE Word = 'APPLE'");
    ASSERT_EQ(row.size(), 1u);
    EXPECT_EQ(row[0][0].toString().size(), 10); // SQLite's date('now'), YYYY-MM-DD
    EXPECT_EQ(row[0][1].toLongLong(), 0);
    EXPECT_EQ(row[0][2].toString(), "n/a");
    // Autonumbers are never reused, even after the last row is deleted; a
    // word takes its first interval and the time, in the stored form.
    db.Exec("INSERT INTO Words (Word) VALUES ('a')");
    db.Exec("DELETE FROM Words");
    db.Exec("INSERT INTO Words (Word) VALUES ('b')");
    EXPECT_EQ(db.RunSqlite("SELECT ID || '/' || MemoryCycle || '/' || length(Date) FROM Words").rows.at(0).at(0),
        QStringLiteral("2/1/19"));
    // NOT NULL holds.
    EXPECT_THROW(db.Exec("INSERT INTO Words (Pronunciation) VALUES ('x')"), std::runtime_error);
}

TEST(JetSqlDdlTest, KeysIndexesAndChangesToTables)
{
    JetSqlTestDatabase db;
    db.Exec("CREATE TABLE A (X LONG NOT NULL, Y TEXT(20), CONSTRAINT PK_A PRIMARY KEY (X, Y))");
    db.Exec("CREATE TABLE B (ID COUNTER, AX LONG, CONSTRAINT PK_B PRIMARY KEY (ID), CONSTRAINT U_B UNIQUE (AX))");
    db.Exec("CREATE UNIQUE INDEX ByY ON A (Y DESC)");
    db.Exec("CREATE INDEX ByAX ON B (AX) WITH IGNORE NULL");
    EXPECT_EQ(ColumnsOf(db, "A")["X"].primaryKey, true);
    EXPECT_EQ(ColumnsOf(db, "A")["Y"].primaryKey, true);
    db.Exec("INSERT INTO A (X, Y) VALUES (1, 'a')");
    EXPECT_THROW(db.Exec("INSERT INTO A (X, Y) VALUES (2, 'A')"), std::runtime_error); // unique, caseless
    db.Exec("INSERT INTO B (AX) VALUES (1)");
    EXPECT_THROW(db.Exec("INSERT INTO B (AX) VALUES (1)"), std::runtime_error);
    db.Exec("ALTER TABLE A ADD COLUMN Z DOUBLE DEFAULT 2");
    EXPECT_EQ(db.Column("SELECT Z FROM A"), QStringList { "2" });
    db.Exec("ALTER TABLE A DROP COLUMN Z");
    EXPECT_FALSE(ColumnsOf(db, "A").contains("Z"));
    db.Exec("DROP INDEX ByY ON A");
    db.Exec("INSERT INTO A (X, Y) VALUES (2, 'A')");
    db.Exec("DROP TABLE B");
    EXPECT_TRUE(ColumnsOf(db, "B").isEmpty());

    EXPECT_EQ(Translate("CREATE INDEX I ON T (A) WITH PRIMARY").sql,
        QStringLiteral("CREATE UNIQUE INDEX \"I\" ON \"T\" (\"A\")"));

    using namespace platform;
    // What Jet refuses: each statement, a part of its description, its HRESULT.
    const char* const fieldSyntax = "Syntax error in field definition.";
    const struct {
        const char* sql;
        const char* says;
        platform::HRESULT hr;
    } refused[] = { { "CREATE TABLE T (ID COUNTER, Word TEXT(50) PRIMARY KEY)", "Primary key", E_FAIL },
        { "CREATE TABLE T (ID COUNTER, W TEXT(5), CONSTRAINT PK PRIMARY KEY (W))", "Primary key", E_FAIL },
        { "CREATE TABLE T (A COUNTER, B COUNTER)", "only one AutoNumber", E_FAIL },
        { "CREATE TABLE T (A TEXT(300))", fieldSyntax, DB_E_ERRORSINCOMMAND },
        { "CREATE TABLE T (A LONG(4))", fieldSyntax, DB_E_ERRORSINCOMMAND },
        { "CREATE TABLE T (A LONG DEFAULT)", fieldSyntax, DB_E_ERRORSINCOMMAND },
        { "CREATE TABLE T (A LONG, CONSTRAINT PRIMARY KEY)", "Syntax error in CONSTRAINT clause.",
            DB_E_ERRORSINCOMMAND },
        { "ALTER TABLE T ALTER COLUMN A DOUBLE", "(ALTER COLUMN) is not supported", DB_E_NOTSUPPORTED } };
    for (const auto& r : refused) {
        platform::HRESULT hr = 0;
        EXPECT_TRUE(CreateError(QString::fromLatin1(r.sql), &hr).contains(QString::fromLatin1(r.says))) << r.sql;
        EXPECT_EQ(hr, r.hr) << r.sql;
    }
}

TEST(JetSqlDdlTest, DeclaredTypesOfOtherToolsReadAsTheNearestAdoType)
{
    using namespace engine;
    struct Case {
        const char* declared;
        long type;
        long size;
    };
    const Case cases[] = { { "INTEGER", adInteger, 4 }, { "int", adInteger, 4 }, { "BIGINT", adBigInt, 8 },
        { "TEXT", adLongVarWChar, 536870910 }, { "VARCHAR(40)", adVarWChar, 40 }, { "NVARCHAR( 12 )", adVarWChar, 12 },
        { "CHARACTER(20)", adWChar, 20 }, { "REAL", adDouble, 8 }, { "DOUBLE", adDouble, 8 },
        { "DOUBLE PRECISION", adDouble, 8 }, { "FLOAT", adDouble, 8 }, { "BLOB", adLongVarBinary, 1073741823 },
        { "DATE", adDate, 8 }, { "DATETIME", adDate, 8 }, { "TIMESTAMP", adDate, 8 }, { "BOOLEAN", adBoolean, 2 },
        { "BOOL", adBoolean, 2 }, { "NUMERIC", adNumeric, 19 }, { "DECIMAL(8,3)", adNumeric, 19 },
        { "", adVarWChar, 255 }, { "UNSIGNED MEDIUMINT", adInteger, 4 }, { "CLOB", adLongVarWChar, 536870910 },
        { "NATIVE CHARACTER(70)", adVarWChar, 70 },
        { "FLOATING POINT", adInteger, 4 }, // "INT" inside: SQLite stores it as an integer
        { "WHATEVER", adLongVarWChar, 536870910 } };
    for (const Case& c : cases) {
        const ColumnType t = AdoTypeOfDeclared(QString::fromLatin1(c.declared));
        EXPECT_EQ(t.adoType, c.type) << c.declared;
        EXPECT_EQ(t.definedSize, c.size) << c.declared;
        EXPECT_TRUE(t.attributes & adFldUpdatable) << c.declared;
        EXPECT_TRUE(t.attributes & adFldIsNullable) << c.declared;
    }
    EXPECT_EQ(ClockDefaultOf("CURRENT_TIMESTAMP"), ClockDefault::Now);
    EXPECT_EQ(ClockDefaultOf("(date('now','localtime'))"), ClockDefault::Date);
    EXPECT_EQ(ClockDefaultOf("strftime('1899-12-30 %H:%M:%S','now','localtime')"), ClockDefault::Time);
    EXPECT_EQ(ClockDefaultOf("'now'"), ClockDefault::None);
    EXPECT_EQ(ClockDefaultOf(QString()), ClockDefault::None);
    EXPECT_EQ(engine::jetsql::QuoteIdentifier("a\"b"), QStringLiteral("\"a\"\"b\""));
}

} // namespace
