// The Jet SQL translator against the statements the word store runs, exactly
// as the store writes them, and against the ways Jet SQL can go wrong:
// syntax errors with Jet's texts, and lexical corners where a textual
// rewrite would break.
#include "engine/jetsql/JetSql.h"

#include "JetSqlTestDatabase.h"
#include "engine/ado/JetTextKey.h"
#include "platform/Clock.h"
#include "platform/ComError.h"

#include <QDateTime>
#include <QSet>
#include <gtest/gtest.h>

using engine::jetsql::Translate;
using engine::jetsql::Translation;
using lexitest::ExpectValues;
using lexitest::JetSqlTestDatabase;

namespace {

// The two study selections, byte for byte as the store runs them.
const QString kDueForReview = QStringLiteral(
    "SELECT * FROM Words \t\t                 WHERE DateDiff(\"d\", DateAdd(\"d\", MemoryCycle, Date), now())>=0  AND "
    "\t\t\t\t\t\t ( YEAR(Date) <> YEAR(Now()) OR MONTH(Date) <> MONTH(Now()) OR DAY(Date) <> DAY(Now()) )");
const QString kLearn = QStringLiteral(
    "SELECT * FROM Words \t\t                 WHERE \t\t\t\t\t\t YEAR(Date) = YEAR(Now()) AND MONTH(Date) = "
    "MONTH(Now()) AND DAY(Date) = DAY(Now()) AND \t\t\t\t\t\t MemoryCycle = 1");

const QString kCreateWords = QStringLiteral(
    "CREATE TABLE Words (ID COUNTER PRIMARY KEY, Word TEXT(255), Pronunciation TEXT(255), Description MEMO, "
    "MemoryCycle LONG DEFAULT 1, [Date] DATETIME DEFAULT Now())");
const QString kCreateNewWords
    = QStringLiteral("CREATE TABLE NewWords (ID COUNTER PRIMARY KEY, Word TEXT(255), Pronunciation TEXT(255), "
                     "Description MEMO)");

class JetSqlTest : public ::testing::Test {
protected:
    void SetUp() override { platform::Clock::SetFixed(QDateTime(QDate(2010, 5, 17), QTime(8, 0, 0))); }
    void TearDown() override { platform::Clock::Reset(); }

    // The description of the ComError that translating text throws.
    static QString TranslateError(const QString& text, platform::HRESULT* hr = nullptr)
    {
        try {
            Translate(text);
        } catch (const platform::ComError& e) {
            if (hr != nullptr)
                *hr = e.Error();
            EXPECT_EQ(e.Source().value_or(QString()), QStringLiteral("Microsoft JET Database Engine"));
            return e.Description().value_or(QString());
        }
        return QStringLiteral("(no error)");
    }

    static QSet<QString> WordsOf(JetSqlTestDatabase& db, const QString& select)
    {
        QSet<QString> words;
        for (const QVariantList& row : db.Rows(select))
            words.insert(row.value(1).toString());
        return words;
    }

    static void AddWord(JetSqlTestDatabase& db, const QString& word, const QString& date, const QString& cycle)
    {
        db.Exec(QStringLiteral("INSERT INTO Words (Word, MemoryCycle, [Date]) VALUES ('%1', %2, %3)")
                    .arg(word, cycle, date));
    }
};

TEST_F(JetSqlTest, StudySelectionsPickTheDueAndTheLearnedCards)
{
    JetSqlTestDatabase db;
    db.Exec(kCreateWords);
    // Today is 17 May 2010, 08:00; twoDaysDateOnly2 has a date written by
    // another tool.
    for (const auto& [word, date, cycle] : { std::tuple { "yesterday1", "'2010-05-16 00:00:00'", "1" },
             { "yesterday2", "'2010-05-16 00:00:00'", "2" }, { "yesterdayLate1", "'2010-05-16 23:59:59'", "1" },
             { "fortyDays32", "'2010-04-07 00:00:00'", "32" }, { "fortyDays64", "'2010-04-07 00:00:00'", "64" },
             { "twoDaysDateOnly2", "'2010-05-15'", "2" }, { "today0", "'2010-05-17 00:00:00'", "0" },
             { "today1", "'2010-05-17 00:00:00'", "1" }, { "today1Evening", "'2010-05-17 21:15:00'", "1" },
             { "today2", "'2010-05-17 00:00:00'", "2" }, { "todayDateOnly1", "'2010-05-17'", "1" },
             { "lastYearToday1", "'2009-05-17 00:00:00'", "1" }, { "nullDate", "NULL", "1" },
             { "nullCycle", "'2010-05-10 00:00:00'", "NULL" }, { "tomorrow0", "'2010-05-18 00:00:00'", "0" } })
        AddWord(db, word, date, cycle);
    const QSet<QString> due = WordsOf(db, kDueForReview);
    EXPECT_EQ(
        due, (QSet<QString> { "yesterday1", "yesterdayLate1", "fortyDays32", "twoDaysDateOnly2", "lastYearToday1" }));
    const QSet<QString> learn = WordsOf(db, kLearn);
    EXPECT_EQ(learn, (QSet<QString> { "today1", "today1Evening", "todayDateOnly1" }));

    // The same cards a minute before midnight and a second after it: only
    // the calendar day counts.
    platform::Clock::SetFixed(QDateTime(QDate(2010, 5, 17), QTime(23, 59, 59)));
    EXPECT_EQ(WordsOf(db, kDueForReview), due);
    EXPECT_EQ(WordsOf(db, kLearn), learn);
    platform::Clock::SetFixed(QDateTime(QDate(2010, 5, 18), QTime(0, 0, 1)));
    EXPECT_EQ(WordsOf(db, kDueForReview),
        (QSet<QString> { "yesterday1", "yesterdayLate1", "yesterday2", "fortyDays32", "twoDaysDateOnly2",
            "lastYearToday1", "today0", "today1", "today1Evening", "todayDateOnly1" }));
    EXPECT_EQ(WordsOf(db, kLearn), QSet<QString> {});
}

TEST_F(JetSqlTest, TopTakesTheFirstRowsOfTheTable)
{
    JetSqlTestDatabase db;
    db.Exec(kCreateNewWords);
    const QString top3 = QStringLiteral("SELECT Top 3 * FROM NewWords");
    db.Exec(QStringLiteral("INSERT INTO NewWords (Word) VALUES ('one')"));
    db.Exec(QStringLiteral("INSERT INTO NewWords (Word) VALUES ('two')"));
    EXPECT_EQ(db.Rows(top3).size(), 2u);
    for (const char* word : { "three", "four", "five" })
        db.Exec(QStringLiteral("INSERT INTO NewWords (Word) VALUES ('%1')").arg(QLatin1String(word)));
    EXPECT_EQ(db.Rows(top3).size(), 3u);

    EXPECT_EQ(db.Column(QStringLiteral("SELECT TOP 2 Word FROM NewWords ORDER BY Word DESC")),
        (QStringList { "two", "three" }));
    EXPECT_EQ(db.Column(QStringLiteral("SELECT Word FROM NewWords WHERE ID IN (SELECT TOP 1 ID FROM NewWords "
                                       "ORDER BY Word) ORDER BY ID")),
        QStringList { "five" });
    EXPECT_EQ(db.Column(QStringLiteral("SELECT TOP 40 PERCENT Word FROM NewWords ORDER BY ID")),
        (QStringList { "one", "two" }));
    // In a union, TOP limits its own SELECT only.
    EXPECT_EQ(db.Column(QStringLiteral("SELECT TOP 1 Word FROM NewWords UNION ALL SELECT Word FROM NewWords "
                                       "WHERE ID > 3"))
                  .size(),
        3);

    // Under ORDER BY, TOP n also returns every row that ties with the n-th;
    // without it, exactly n rows.
    db.Exec(QStringLiteral("CREATE TABLE Staff (Name TEXT(20), Salary LONG, Dept TEXT(20))"));
    const struct {
        const char* name;
        int salary;
        const char* dept;
    } staff[] = { { "a", 90, "x" }, { "b", 80, "X" }, { "c", 70, "y" }, { "d", 60, "y" }, { "e", 50, "Y" },
        { "f", 50, "z" }, { "g", 50, "z" }, { "h", 40, "z" } };
    for (const auto& s : staff)
        db.Exec(QStringLiteral("INSERT INTO Staff VALUES ('%1', %2, '%3')")
                    .arg(QLatin1String(s.name))
                    .arg(s.salary)
                    .arg(QLatin1String(s.dept)));
    const struct {
        const char* query;
        std::size_t rows;
    } tops[] = { { "SELECT TOP 5 * FROM Staff ORDER BY Salary DESC", 7 },
        { "SELECT TOP 4 * FROM Staff ORDER BY Salary DESC", 4 },
        { "SELECT TOP 6 Name FROM Staff WHERE Salary < 100 ORDER BY Salary DESC", 7 },
        { "SELECT TOP 1 * FROM Staff ORDER BY Salary", 1 },
        { "SELECT TOP 2 * FROM Staff ORDER BY Dept", 2 }, // x and X tie as one text
        { "SELECT TOP 3 * FROM Staff ORDER BY Dept", 5 }, { "SELECT TOP 2 * FROM Staff ORDER BY Dept, Salary DESC", 2 },
        { "SELECT TOP 5 * FROM Staff", 5 }, { "SELECT TOP 50 PERCENT * FROM Staff ORDER BY Salary DESC", 4 },
        { "SELECT TOP 60 PERCENT * FROM Staff ORDER BY Salary DESC", 7 } };
    for (const auto& t : tops)
        EXPECT_EQ(db.Rows(QString::fromLatin1(t.query)).size(), t.rows) << t.query;
    // Rows tie only when every key ties.
    EXPECT_EQ(db.Column(QStringLiteral("SELECT TOP 5 Name FROM Staff ORDER BY Salary DESC, Name")),
        (QStringList { "a", "b", "c", "d", "e" }));
    EXPECT_EQ(db.Column(QStringLiteral("SELECT TOP 5 Name FROM Staff ORDER BY Salary DESC")).mid(4).size(), 3);
}

TEST_F(JetSqlTest, WordLookupTakesQuotesAndIgnoresCase)
{
    JetSqlTestDatabase db;
    db.Exec(kCreateNewWords);
    db.Exec(QStringLiteral("INSERT INTO NewWords (Word) VALUES ('don''t')"));
    db.Exec(QStringLiteral("INSERT INTO NewWords (Word) VALUES (\"say \"\"cheese\"\"\")"));
    EXPECT_EQ(db.Rows(QStringLiteral("SELECT * FROM NewWords WHERE Word = 'don''t'")).size(), 1u);
    EXPECT_EQ(db.Rows(QStringLiteral("SELECT * FROM NewWords WHERE Word = 'DON''T'")).size(), 1u);
    EXPECT_EQ(db.Rows(QStringLiteral("SELECT * FROM NewWords WHERE Word = 'dont'")).size(), 0u);
    EXPECT_EQ(db.Column(QStringLiteral("SELECT Word FROM NewWords WHERE Word LIKE 'say%'")),
        QStringList { "say \"cheese\"" });

    // Case is ignored in every script, by every comparison, in the order and
    // in LIKE, as Jet ignores it.
    db.Exec(QStringLiteral("DELETE FROM NewWords"));
    for (const char* word : { "été", "Москва", "αβγ", "straße", "Zebra", "apple" })
        db.Exec(QStringLiteral("INSERT INTO NewWords (Word) VALUES ('%1')").arg(QString::fromUtf8(word)));
    const struct {
        const char* where;
        QStringList words;
    } cases[] = { { "Word = 'ÉTÉ'", { "été" } }, { "Word = 'МОСКВА'", { "Москва" } }, { "Word = 'ΑΒΓ'", { "αβγ" } },
        { "Word = 'STRASSE'", {} }, // one letter for one letter, as Jet compares
        { "'ÉTÉ' = Word", { "été" } },
        { "Word <> 'ÉTÉ' AND Word <> 'МОСКВА' AND Word <> 'ΑΒΓ' AND Word <> 'APPLE' AND Word <> 'ZEBRA'",
            { "straße" } },
        { "Word < 'МОСКВА' AND Word >= 'ΑΒΓ'", { "αβγ" } }, { "Word > 'ZEBRA'", { "été", "Москва", "αβγ" } },
        { "Word LIKE 'ÉT%'", { "été" } }, { "Word LIKE 'мос_ва'", { "Москва" } }, { "Word LIKE '[α]%'", { "αβγ" } },
        { "Word IN ('ÉTÉ', 'ΑΒΓ')", { "été", "αβγ" } }, { "Word BETWEEN 'МОСКВА' AND 'МОСКВА'", { "Москва" } },
        { "UCase(Word) = 'МОСКВА'", { "Москва" } } };
    for (const auto& c : cases) {
        QStringList words = db.Column(QStringLiteral("SELECT Word FROM NewWords WHERE ") + QString::fromUtf8(c.where));
        words.sort();
        QStringList expected = c.words;
        expected.sort();
        EXPECT_EQ(words, expected) << c.where;
    }
    EXPECT_EQ(db.Column(QStringLiteral("SELECT Word FROM NewWords WHERE Word < 'été' ORDER BY Word")),
        (QStringList { "apple", "straße", "Zebra" }));
    // The same equality as a key to hash (the import's): equal keys exactly
    // for the texts the SQL finds equal, ASCII or not, in either order.
    const QStringList texts = { "été", "ÉTÉ", "straße", "STRASSE", "ΑΒΓ", "αβγ", "Σ", "ς", "σ", "\u212A", "k", "K",
        "日本", "😀", "😀K", "😀k", "\U00010400", "\U00010428", "" };
    for (const QString& a : texts)
        for (const QString& b : texts)
            EXPECT_EQ(engine::JetTextKey(a) == engine::JetTextKey(b),
                db.Value(QStringLiteral("IIf('%1' = '%2', 1, 0)").arg(a, b)).toInt() == 1)
                << a.toStdString() << " " << b.toStdString();
    for (const char* word : { "ÉTÉ", "АЛЬФА", "альфа" })
        db.Exec(QStringLiteral("INSERT INTO NewWords (Word) VALUES ('%1')").arg(QString::fromUtf8(word)));
    const QStringList ordered = db.Column(QStringLiteral("SELECT Word FROM NewWords ORDER BY Word, ID"));
    // Words that differ only in case sort side by side, in the order they were written.
    EXPECT_EQ(ordered.indexOf(QStringLiteral("ÉTÉ")), ordered.indexOf(QStringLiteral("été")) + 1);
    EXPECT_EQ(ordered.indexOf(QStringLiteral("альфа")), ordered.indexOf(QStringLiteral("АЛЬФА")) + 1);
    EXPECT_EQ(db.Column(QStringLiteral("SELECT Count(*) FROM NewWords GROUP BY Word HAVING Count(*) > 1")),
        (QStringList { "2", "2" }));
    // DISTINCT keeps one of each, under the column's own name.
    EXPECT_EQ(db.Column(QStringLiteral("SELECT DISTINCT Word FROM NewWords")).size(), 7);
    EXPECT_EQ(db.Column(QStringLiteral("SELECT DISTINCT NewWords.Word FROM NewWords WHERE Word = 'альфа'")).size(), 1);
    EXPECT_EQ(db.Column(QStringLiteral("SELECT DISTINCT UCase(Word) FROM NewWords")).size(), 7);
    EXPECT_EQ(db.Column(QStringLiteral("SELECT COUNT(*) FROM (SELECT DISTINCT Word, ID FROM NewWords)")),
        QStringList { "9" });
    const auto names = [&](const char* jet) {
        QStringList columns;
        sqlite3_stmt* st = nullptr;
        const QByteArray sql = engine::jetsql::Translate(QString::fromUtf8(jet), db.Handle()).sql.toUtf8();
        if (sqlite3_prepare_v2(db.Handle(), sql.constData(), -1, &st, nullptr) == SQLITE_OK)
            for (int i = 0; i < sqlite3_column_count(st); ++i)
                columns << QString::fromUtf8(sqlite3_column_name(st, i));
        sqlite3_finalize(st);
        return columns;
    };
    EXPECT_EQ(names("SELECT DISTINCT NewWords.Word, UCase(Word), Word AS W FROM NewWords"),
        names("SELECT NewWords.Word, UCase(Word), Word AS W FROM NewWords"));

    // The data file stays SQLite's own: its schema names no collation of
    // ours, so other tools read, write and check it with theirs.
    EXPECT_EQ(db.Column(QStringLiteral("SELECT Word FROM NewWords WHERE Word = 'альфа'")).size(), 2);
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(
        sqlite3_prepare_v2(db.Handle(), "SELECT group_concat(sql) FROM sqlite_master", -1, &stmt, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_EQ(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))).indexOf(u"jet_"), -1);
    sqlite3_finalize(stmt);
}

TEST_F(JetSqlTest, SyntaxErrorsCarryJetsTexts)
{
    // Each statement and Jet's description of what is wrong with it.
    const std::pair<const char*, const char*> cases[] = {
        { "SELECT * FROM Words WHERE Word = 'abc", "Syntax error in string in query expression 'Word = 'abc'." },
        { "SELECT Word Pronunciation FROM Words",
            "Syntax error (missing operator) in query expression 'Word Pronunciation'." },
        { "SELECT * FROM Words WHERE ID = 1 2", "Syntax error (missing operator) in query expression 'ID = 1 2'." },
        { "SELECT * FROM Words WHERE ID != 1", "Syntax error (missing operator) in query expression 'ID != 1'." },
        { "SELECT * FROM Words WHERE (ID = 1", "Missing ), ], or Item in query expression '(ID = 1'." },
        { "SELECT * FROM Words WHERE [Date] = #2/30/2010#",
            "Syntax error in date in query expression '[Date] = #2/30/2010#'." },
        { "SELECT * FROM WHERE ID = 1", "Syntax error in FROM clause." },
        { "SELECT * FROM Words Ws Xs", "Syntax error in FROM clause." },
        { "SELECT * FRM Words",
            "The SELECT statement includes a reserved word or an argument name that is misspelled or missing, or the "
            "punctuation is incorrect." },
        { "SELEKT * FROM Words",
            "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'." },
        { "", "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'." },
        { "SELECT * FROM Words; SELECT * FROM NewWords", "Characters found after end of SQL statement." },
        { "SELECT * FROM [Words", "Invalid bracketing of name '[Words'." },
        { "SELECT Foo(Word) FROM Words", "Undefined function 'Foo' in expression." },
        { "SELECT Left(Word) FROM Words",
            "Wrong number of arguments used with function in query expression 'Left(Word)'." },
        { "SELECT * FROM Words ORDER Word", "Syntax error in ORDER BY clause." },
        { "INSERT Words (Word) VALUES ('a')", "Syntax error in INSERT INTO statement." },
        { "INSERT INTO Words (Word, Description) VALUES ('a')",
            "Number of query values and destination fields are not the same." },
        { "UPDATE Words Word = 'a'", "Syntax error in UPDATE statement." },
        { "DELETE Words WHERE ID = 1", "Syntax error in DELETE statement." },
        { "DELETE Words FROM Words", "Syntax error in DELETE statement." },
        { "CREATE TABLE T (A TEXT(50), B WIDGET)", "Syntax error in field definition." },
        { "CREATE TABLE T (A TEXT(50)", "Syntax error in field definition." },
        { "CREATE TABLE T A TEXT(50)", "Syntax error in CREATE TABLE statement." },
        { "DROP Words", "Syntax error in DROP TABLE or DROP INDEX." },
        { "CREATE INDEX ix Words (Word)", "Syntax error in CREATE INDEX statement." },
        { "SELECT Words.Word.Size FROM Words", "Syntax error in query expression 'Words.Word.Size'." }
    };
    for (const auto& [sql, says] : cases) {
        platform::HRESULT hr = 0;
        EXPECT_EQ(TranslateError(QString::fromUtf8(sql), &hr), QString::fromUtf8(says)) << sql;
        EXPECT_EQ(hr, platform::DB_E_ERRORSINCOMMAND) << sql;
    }
    // The look-ahead for the tables in scope stops at the end of an unclosed
    // subquery, and the parser reports it.
    JetSqlTestDatabase db;
    EXPECT_THROW(Translate(QStringLiteral("SELECT * FROM (SELECT 1 FROM Words"), db.Handle()), platform::ComError);
    // Nesting past any real query is refused, not read at the cost of the stack.
    platform::HRESULT nestedHr = 0;
    EXPECT_EQ(TranslateError(QStringLiteral("SELECT ") + QString(5000, u'(') + u'1' + QString(5000, u')'), &nestedHr),
        QStringLiteral("Query is too complex."));
    EXPECT_EQ(nestedHr, platform::E_FAIL);
    EXPECT_EQ(TranslateError(QStringLiteral("SELECT ") + QString(5000, u'-') + u'1'),
        QStringLiteral("Query is too complex."));
    EXPECT_NO_THROW(Translate(QStringLiteral("SELECT ") + QString(30, u'(') + u'1' + QString(30, u')')));
    // Jet reads the command as a C string, up to the first NUL.
    EXPECT_EQ(
        TranslateError(QStringLiteral("SELECT * FROM Words WHERE Word = 'a") + QChar(u'\0') + QStringLiteral("b'")),
        QStringLiteral("Syntax error in string in query expression 'Word = 'a'."));
    EXPECT_EQ(TranslateError(QStringLiteral("SELECT * FROM Words WHERE Word = \"abc")),
        QStringLiteral("Syntax error in string in query expression 'Word = \"abc'."));
}

TEST_F(JetSqlTest, LiteralsKeepBracketsHashesAmpersandsAndDashesInsideStrings)
{
    JetSqlTestDatabase db;
    db.Exec(QStringLiteral("CREATE TABLE [My Table] ([Word] TEXT(50), [词语] TEXT(50), [a\"b] LONG)"));
    db.Exec(QStringLiteral("INSERT INTO [My Table] ([Word], 词语, [a\"b]) VALUES ('[x] #1/1/2000# & -- ''q''', "
                           "\"中文\", 5)"));
    EXPECT_EQ(db.Column(QStringLiteral("SELECT Word FROM [My Table] WHERE Word = '[x] #1/1/2000# & -- ''q'''")),
        QStringList { "[x] #1/1/2000# & -- 'q'" });
    EXPECT_EQ(db.Column(QStringLiteral("SELECT 词语 FROM [My Table] WHERE [词语] = '中文'")), QStringList { "中文" });
    EXPECT_EQ(db.Column(QStringLiteral("SELECT `a\"b` FROM `My Table`")), QStringList { "5" });
    // Each expression's value as text (nullptr: Null). No comments in Jet:
    // "--" is two minus signs; "=<" is "<="; "..." is text, not a name; & joins text (a
    // Null side reads as empty) after + has added, but two Nulls give Null.
    ExpectValues(db,
        { { "1 --1", "2" }, { "2 =< 3", "-1" }, { ".5 * 4", "2" }, { "1.5E-3 * 2", "0.003" }, { "2--1", "3" },
            { "\"Word\"", "Word" }, { "'a' & 1 + 2", "a3" }, { "'a' & Null & 'b'", "ab" }, { "Null & Null", nullptr },
            { "Null & 'a'", "a" }, { "'a' & Null", "a" }, { "Null & ''", "" }, { "Null & Null & Null", nullptr },
            { "1.5 & 2", "1.52" }, { "True", "-1" }, { "False", "0" }, { "#5/17/2010#", "2010-05-17 00:00:00" },
            { "#2010-05-17#", "2010-05-17 00:00:00" }, { "#2010-05-17 08:30:00#", "2010-05-17 08:30:00" },
            { "#17/5/2010#", "2010-05-17 00:00:00" }, { "#5/17/2010 8:30 PM#", "2010-05-17 20:30:00" },
            { "#May 17, 2010#", "2010-05-17 00:00:00" }, { "#17-May-10#", "2010-05-17 00:00:00" },
            { "#08:30#", "1899-12-30 08:30:00" } });
    EXPECT_FALSE(db.Value(QStringLiteral("Null & ''")).isNull());
    // A bracketed keyword is a name.
    db.Exec(QStringLiteral("CREATE TABLE [Select] ([From] LONG)"));
    db.Exec(QStringLiteral("INSERT INTO [Select] ([From]) VALUES (7)"));
    EXPECT_EQ(db.Column(QStringLiteral("SELECT [From] FROM [Select] WHERE [Select].[From] = 7")), QStringList { "7" });
}

TEST_F(JetSqlTest, ExpressionsFollowJetsOperatorsAndPrecedence)
{
    JetSqlTestDatabase db;
    ExpectValues(db,
        { { "7 / 2", "3.5" }, { "7 \\ 2", "3" }, { "7 Mod 3", "1" }, { "2 ^ 3 ^ 2", "64" }, { "-2 ^ 2", "-4" },
            { "1 + 2 * 3", "7" },
            // + and - on dates count days; + joins two texts; Null gives Null.
            { "#5/17/2010# + 1", "2010-05-18 00:00:00" }, { "1.5 + #5/17/2010#", "2010-05-18 12:00:00" },
            { "Date() - 17", "2010-04-30 00:00:00" }, { "#5/17/2010 12:00# - #5/10/2010#", "7.5" },
            { "'2010-05-17' + 1", "2010-05-18 00:00:00" }, { "'a' + 'b'", "ab" }, { "'1' + '2'", "12" },
            { "'1' + 2", "3" }, { "'a' + Null", nullptr },
            // A truth used as a value is Jet's -1.
            { "NOT 1 = 2 AND 3 = 3", "-1" }, { "2 BETWEEN 1 AND 3", "-1" }, { "2 NOT IN (1, 3)", "-1" },
            { "Null IS NULL", "-1" }, { "IIf(1 > 2, 'yes', 'no')", "no" }, { "Nz(Null, 5)", "5" }, { "Nz(Null)", "" },
            { "'Abc' LIKE 'a%'", "-1" }, { "'Abc' LIKE 'a_c'", "-1" }, { "'Abc' LIKE '[a-b]bc'", "-1" },
            { "'Abc' LIKE '[!a]bc'", "0" }, { "'Abc' NOT LIKE '[xyz]%'", "-1" }, { "'50%' LIKE '50[%]'", "-1" },
            { "'500' LIKE '50[%]'", "0" }, { "'Ärger' LIKE 'ä%'", "-1" }, { "'Ärger' LIKE '[ä]%'", "-1" } });
    EXPECT_EQ(db.Value(QStringLiteral("9223372036854775807 + 1")).toDouble(), 9223372036854775808.0);
    EXPECT_NE(db.RunError(QStringLiteral("SELECT 'a' - 1")), QString());
    EXPECT_NE(db.RunError(QStringLiteral("SELECT 'a' LIKE '[a'")), QString());
}

TEST_F(JetSqlTest, TranslationTellsWhetherRowsCanBeWrittenBack)
{
    Translation t = Translate(QStringLiteral("SELECT * FROM Words"));
    EXPECT_EQ(t.kind, Translation::Select);
    EXPECT_EQ(t.baseTable, QStringLiteral("Words"));
    EXPECT_EQ(t.selectList, QStringLiteral("*"));
    t = Translate(QStringLiteral("SELECT w.Word, ID FROM [Words] AS w WHERE ID > ?"));
    EXPECT_EQ(t.baseTable, QStringLiteral("Words"));
    EXPECT_EQ(t.baseAlias, QStringLiteral("w"));
    EXPECT_EQ(t.selectList, QStringLiteral("\"w\".\"Word\", \"ID\""));
    EXPECT_EQ(t.parameterCount, 1);
    // Nothing else names one table whose rows can be written back.
    for (const char* other : { "SELECT DISTINCT Word FROM Words", "SELECT Count(*) FROM Words",
             "SELECT Word FROM Words GROUP BY Word", "SELECT Words.Word FROM Words, NewWords",
             "SELECT * FROM Words INNER JOIN NewWords ON Words.Word = NewWords.Word",
             "SELECT Word FROM Words UNION SELECT Word FROM NewWords", "SELECT * FROM (SELECT * FROM Words) AS x",
             "INSERT INTO Words (Word) VALUES (?)", "UPDATE Words SET Word = ? WHERE ID = ?",
             "DELETE FROM Words WHERE ID = ?", "DELETE * FROM Words", "DELETE Words.* FROM Words" })
        EXPECT_TRUE(Translate(QString::fromUtf8(other)).baseTable.isEmpty()) << other;
    EXPECT_EQ(Translate(QStringLiteral("UPDATE Words SET Word = ? WHERE ID = ?")).parameterCount, 2);
    EXPECT_EQ(Translate(QStringLiteral("DELETE * FROM Words")).kind, Translation::Delete);
}

} // namespace
