// Jet's functions as the translated SQL runs them: the date arithmetic with
// VBA's meaning (boundaries crossed, month ends kept), the clock the tests
// fix, and the text and number functions, each on the date forms a data
// file may hold (stored text, a bare date, an OLE date number).
#include "JetSqlTestDatabase.h"
#include "engine/jetsql/JetFunctions.h"
#include "platform/Clock.h"

#include <QDateTime>
#include <gtest/gtest.h>

using lexitest::ExpectValues;
using lexitest::JetSqlTestDatabase;

namespace {

class JetSqlFunctionsTest : public ::testing::Test {
protected:
    void SetUp() override { platform::Clock::SetFixed(QDateTime(QDate(2012, 2, 29), QTime(13, 45, 30))); }
    void TearDown() override { platform::Clock::Reset(); }

    QString Text(const QString& expression) { return m_db.Value(expression).toString(); }

    JetSqlTestDatabase m_db;
};

TEST_F(JetSqlFunctionsTest, DateDiffCountsBoundariesForEveryInterval)
{
    // Days: calendar-day boundaries, whatever the time of day.
    ExpectValues(m_db,
        { { "DateDiff('d', #1/31/2010 23:59:59#, #2/1/2010 00:00:01#)", "1" },
            { "DateDiff('d', #2/1/2010 00:00:01#, #2/1/2010 23:59:59#)", "0" },
            { "DateDiff(\"d\", #12/31/2009#, #1/1/2010#)", "1" },
            { "DateDiff('d', #2/28/2012#, #3/1/2012#)", "2" }, // leap day between
            { "DateDiff('d', #2/28/2011#, #3/1/2011#)", "1" },
            { "DateDiff('d', #2/28/1900#, #3/1/1900#)", "1" }, // 1900 was no leap year
            { "DateDiff('d', #5/17/2010#, #5/10/2010#)", "-7" }, // the later date first
            { "DateDiff('y', #1/1/2010#, #1/1/2011#)", "365" },
            { "DateDiff('D', '2010-01-01', '2010-01-03 10:00:00')", "2" },
            // Years, quarters, months: boundaries of those.
            { "DateDiff('yyyy', #12/31/2009#, #1/1/2010#)", "1" },
            { "DateDiff('yyyy', #1/1/2010#, #12/31/2010#)", "0" }, { "DateDiff('q', #3/31/2010#, #4/1/2010#)", "1" },
            { "DateDiff('q', #1/1/2010#, #3/31/2010#)", "0" }, { "DateDiff('m', #1/31/2010#, #2/1/2010#)", "1" },
            { "DateDiff('m', #3/15/2011#, #1/15/2010#)", "-14" },
            // Weeks: "w" counts whole weeks, "ww" Sundays crossed.
            { "DateDiff('w', #5/17/2010#, #5/30/2010#)", "1" }, { "DateDiff('w', #5/17/2010#, #5/31/2010#)", "2" },
            { "DateDiff('ww', #5/15/2010#, #5/16/2010#)", "1" }, // Saturday to Sunday
            { "DateDiff('ww', #5/16/2010#, #5/22/2010#)", "0" }, // Sunday to Saturday
            { "DateDiff('ww', #5/16/2010#, #5/22/2010#, 7)", "1" }, // weeks starting on Saturday
            // Hours, minutes, seconds.
            { "DateDiff('h', #5/17/2010 10:59:59#, #5/17/2010 11:00:00#)", "1" },
            { "DateDiff('h', #5/17/2010 10:00:00#, #5/17/2010 10:59:59#)", "0" },
            { "DateDiff('n', #5/17/2010 10:59:59#, #5/17/2010 11:00:00#)", "1" },
            { "DateDiff('s', #5/17/2010 10:59:59#, #5/17/2010 11:01:00#)", "61" },
            { "DateDiff('h', #12/29/1899 23:00#, #12/30/1899 01:00#)", "2" }, // across OLE's day 0
            // OLE date numbers: 40315 is 17 May 2010.
            { "DateDiff('d', 40315, #5/18/2010#)", "1" }, { "DateDiff('d', 40315.75, 40316.25)", "1" },
            // Null in, Null out; a bad interval or a text that is no date fails.
            { "DateDiff('d', Null, #5/18/2010#)", nullptr }, { "DateDiff('d', #5/18/2010#, Null)", nullptr },
            { "DateDiff(Null, #5/18/2010#, #5/18/2010#)", nullptr } });
    EXPECT_NE(m_db.RunError("SELECT DateDiff('x', #5/18/2010#, #5/18/2010#)"), QString());
    EXPECT_NE(m_db.RunError("SELECT DateDiff('d', 'soon', #5/18/2010#)"), QString());
    EXPECT_NE(m_db.RunError("SELECT DateDiff('d', '', #5/18/2010#)"), QString());
}

TEST_F(JetSqlFunctionsTest, DateAddKeepsTheDayOfMonthOrTakesTheMonthsEnd)
{
    ExpectValues(m_db,
        { { "DateAdd('d', 1, #2/28/2012#)", "2012-02-29 00:00:00" },
            { "DateAdd('d', -1, #3/1/2010#)", "2010-02-28 00:00:00" },
            { "DateAdd('d', 32, '2010-04-07')", "2010-05-09 00:00:00" },
            { "DateAdd('d', '2', '2010-04-07 10:11:12')", "2010-04-09 10:11:12" },
            { "DateAdd('m', 1, #1/31/2010#)", "2010-02-28 00:00:00" },
            { "DateAdd('m', 1, #1/31/2012#)", "2012-02-29 00:00:00" },
            { "DateAdd('m', -13, #3/31/2010#)", "2009-02-28 00:00:00" },
            { "DateAdd('yyyy', 1, #2/29/2012#)", "2013-02-28 00:00:00" },
            { "DateAdd('q', 1, #11/30/2010#)", "2011-02-28 00:00:00" },
            { "DateAdd('ww', 2, #5/17/2010#)", "2010-05-31 00:00:00" },
            { "DateAdd('w', 3, #5/17/2010#)", "2010-05-20 00:00:00" },
            { "DateAdd('h', 25, #5/17/2010 23:30:00#)", "2010-05-19 00:30:00" },
            { "DateAdd('n', -31, #5/17/2010 00:30:00#)", "2010-05-16 23:59:00" },
            { "DateAdd('s', 3600, 40315.5)", "2010-05-17 13:00:00" },
            // A fraction of an interval rounds to the nearest whole one, as VBA
            // rounds (a half to the even one); it is never cut off.
            { "DateAdd('d', 1.9, #5/17/2010#)", "2010-05-19 00:00:00" },
            { "DateAdd(\"d\", 1.6, #1/1/2000#)", "2000-01-03 00:00:00" },
            { "DateAdd('d', 1.4, #1/1/2000#)", "2000-01-02 00:00:00" },
            { "DateAdd('d', 2.5, #1/1/2000#)", "2000-01-03 00:00:00" },
            { "DateAdd('d', 3.5, #1/1/2000#)", "2000-01-05 00:00:00" },
            { "DateAdd('m', -1.6, #5/17/2010#)", "2010-03-17 00:00:00" },
            { "DateAdd('d', Null, #5/17/2010#)", nullptr }, { "DateAdd('d', 1, Null)", nullptr },
            // Years 100 and 9999 are the calendar's ends, and still in it.
            { "DateAdd('m', 1, #11/30/9999#)", "9999-12-30 00:00:00" } });
    EXPECT_NE(m_db.RunError("SELECT DateAdd('yyyy', 9000, #5/17/2010#)"), QString());
    EXPECT_EQ(m_db.RunError("SELECT DateAdd('yyyy', -1910, #5/17/2010#)"), QString());
    EXPECT_NE(m_db.RunError("SELECT DateAdd('yyyy', -1911, #5/17/2010#)"), QString());
    EXPECT_NE(m_db.RunError("SELECT DateAdd('d', 'many', #5/17/2010#)"), QString());
}

TEST_F(JetSqlFunctionsTest, ClockAndDatePartsReadTheFixedClock)
{
    ExpectValues(m_db,
        { { "Now()", "2012-02-29 13:45:30" }, { "now()", "2012-02-29 13:45:30" }, { "Date()", "2012-02-29 00:00:00" },
            { "Time()", "1899-12-30 13:45:30" }, { "YEAR(Now())", "2012" }, { "Month(Now())", "2" },
            { "day(Now())", "29" }, { "Hour(Now())", "13" }, { "Minute(Now())", "45" }, { "Second(Now())", "30" },
            { "Weekday(Now())", "4" }, // a Wednesday
            { "Weekday(Now(), 2)", "3" }, // counted from Monday
            { "Year('2010-05-17')", "2010" }, { "Day(40315)", "17" }, { "Year(Null)", nullptr },
            { "DatePart('yyyy', #5/17/2010#)", "2010" }, { "DatePart('q', #5/17/2010#)", "2" },
            { "DatePart('m', #5/17/2010#)", "5" }, { "DatePart('y', #2/1/2010#)", "32" },
            { "DatePart('d', #5/17/2010#)", "17" }, { "DatePart('w', #5/17/2010#)", "2" },
            { "DatePart('ww', #1/1/2010#)", "1" },
            { "DatePart('ww', #1/3/2010#)", "2" }, // the first Sunday starts week 2
            { "DatePart('ww', #1/3/2010#, 1, 3)", "1" }, // first whole week
            { "DatePart('ww', #1/1/2017#)", "1" }, // a Sunday: week 1 starts on its first day
            { "DatePart('ww', #1/1/2020#, 1, 2)", "1" }, // four days of the year: week 1
            { "DatePart('ww', #1/1/2021#, 1, 2)", "53" }, // two days: the last week of the year before
            { "DatePart('h', #5/17/2010 8:30:15 PM#)", "20" }, { "DatePart('n', #5/17/2010 8:30:15 PM#)", "30" },
            { "DatePart('s', #5/17/2010 8:30:15 PM#)", "15" }, { "DateSerial(2010, 14, 0)", "2011-01-31 00:00:00" },
            { "DateSerial(10, 5, 17)", "2010-05-17 00:00:00" }, { "TimeSerial(25, 0, 0)", "1899-12-31 01:00:00" },
            { "DateValue('5/17/2010 8:30')", "2010-05-17 00:00:00" },
            { "TimeValue('5/17/2010 8:30')", "1899-12-30 08:30:00" },
            { "CDate('2010-05-17')", "2010-05-17 00:00:00" } });

    platform::Clock::Advance(86400);
    EXPECT_EQ(Text("Date()"), "2012-03-01 00:00:00");
}

TEST_F(JetSqlFunctionsTest, OneRunOfAStatementSeesOneTime)
{
    // tick() moves the clock on by a second each time a row asks for it.
    sqlite3_create_function_v2(
        m_db.Handle(), "tick", 0, SQLITE_UTF8, nullptr,
        [](sqlite3_context* ctx, int, sqlite3_value**) {
            platform::Clock::Advance(1);
            sqlite3_result_int(ctx, 1);
        },
        nullptr, nullptr, nullptr);
    m_db.Exec("CREATE TABLE T (N LONG)");
    for (int i = 0; i < 3; ++i)
        m_db.Exec("INSERT INTO T (N) VALUES (1)");
    const QString sql = engine::jetsql::Translate("SELECT Second(Now()) FROM T").sql;
    ASSERT_TRUE(sql.startsWith("SELECT "));
    QStringList seen;
    for (const QVariantList& row : m_db.RunSqlite(QStringLiteral("SELECT tick(), ") + sql.mid(7)).rows)
        seen.append(row[1].toString());
    EXPECT_EQ(seen, (QStringList { "31", "31", "31" }));
    // The next run reads the clock again.
    EXPECT_EQ(m_db.Column("SELECT Second(Now()) FROM T"), (QStringList { "33", "33", "33" }));
}

TEST_F(JetSqlFunctionsTest, TextAndNumberFunctionsHaveVbasMeaning)
{
    ExpectValues(m_db,
        { { "Len('héllo')", "5" }, { "Len(Null)", nullptr }, { "Left('héllo', 2)", "hé" },
            { "Right('héllo', 4)", "éllo" }, { "Right('abc', 0)", "" }, { "Right('abc', 10)", "abc" },
            { "Mid('abcdef', 2, 3)", "bcd" }, { "Mid('abcdef', 4)", "def" }, { "UCase('straße ä')", "STRASSE Ä" },
            { "LCase('ÄBC')", "äbc" }, { "UCase('abc')", "ABC" }, { "'[' & Trim('  a b  ') & ']'", "[a b]" },
            { "'[' & LTrim('  a  ') & ']'", "[a  ]" }, { "'[' & RTrim('  a  ') & ']'", "[  a]" },
            { "'[' & Trim('\ta\t') & ']'", "[\ta\t]" }, // spaces only
            { "InStr('Hello', 'LL')", "3" }, { "InStr(4, 'abcabc', 'b')", "5" }, { "InStr('abc', 'x')", "0" },
            { "Replace('a-b-c', '-', '+')", "a+b+c" }, { "'[' & Space(3) & ']'", "[   ]" }, { "Asc('A')", "65" },
            { "Chr(66)", "B" }, { "IsNull(Null)", "-1" }, { "Int(-1.5)", "-2" }, { "Fix(-1.5)", "-1" },
            { "Int(7)", "7" }, { "Abs(-3)", "3" }, { "Sgn(-0.5)", "-1" }, { "Sqr(16)", "4" }, { "Round(2.5)", "2" },
            { "Round(3.5)", "4" }, // halves to even
            { "Round(1.2345, 2)", "1.23" }, { "CLng('41.5')", "42" }, { "CInt(42.5)", "42" },
            { "CDbl('2.25')", "2.25" }, { "CStr(2.0)", "2" }, { "CStr(2.5)", "2.5" }, { "Val(' 12 34abc')", "1234" },
            { "Val('abc')", "0" } });
    EXPECT_NE(m_db.RunError("SELECT CLng(3000000000)"), QString());
}

TEST_F(JetSqlFunctionsTest, AggregatesIncludeJetsFirstLastAndDeviation)
{
    m_db.Exec("CREATE TABLE T (ID COUNTER, N DOUBLE)");
    for (const char* n : { "2", "4", "Null", "4", "4", "5", "5", "7", "9" })
        m_db.Exec(QStringLiteral("INSERT INTO T (N) VALUES (%1)").arg(QLatin1String(n)));
    const std::vector<QVariantList> rows
        = m_db.Rows("SELECT Count(*), Count(N), Sum(N), Avg(N), Min(N), Max(N), First(N), Last(N), StDevP(N), VarP(N), "
                    "StDev(N), Var(N) FROM T");
    ASSERT_EQ(rows.size(), 1u);
    const QVariantList& r = rows.front();
    const double expected[] = { 9, 8, 40, 5, 2, 9, 2, 9, 2, 4, 2.138089935, 32.0 / 7.0 };
    ASSERT_EQ(r.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i)
        EXPECT_NEAR(r[int(i)].toDouble(), expected[i], 1e-9) << i;
    EXPECT_TRUE(m_db.Value("StDev(N) FROM T WHERE ID = 1").isNull());
}

TEST(JetDateTextTest, ReadsTheDateFormsAndRefusesTheRest)
{
    using engine::jetsql::dates::CivilDateTime;
    using engine::jetsql::dates::ParseDateText;
    auto parse = [](const char* text) -> QString {
        CivilDateTime d;
        if (!ParseDateText(text, std::strlen(text), d))
            return QStringLiteral("no date");
        char buffer[20];
        engine::jetsql::dates::FormatStored(d, buffer);
        return QString::fromLatin1(buffer);
    };
    for (const auto& [text, stored] :
        { std::pair { "2010-05-17 08:30:00", "2010-05-17 08:30:00" }, { "2010-05-17", "2010-05-17 00:00:00" },
            { "2010-05-17T08:30:00", "2010-05-17 08:30:00" }, { " 2010/5/7 8:30 ", "2010-05-07 08:30:00" },
            { "2010-05-17 08:30:00.250", "2010-05-17 08:30:00" }, { "5/17/2010", "2010-05-17 00:00:00" },
            { "5/17/29", "2029-05-17 00:00:00" }, { "5/17/30", "1930-05-17 00:00:00" },
            { "12:00 AM", "1899-12-30 00:00:00" }, { "12:00:01 pm", "1899-12-30 12:00:01" },
            { "17 May 2010", "2010-05-17 00:00:00" }, { "2010 May 17", "2010-05-17 00:00:00" },
            { "September 1, 2010 1:02:03", "2010-09-01 01:02:03" }, { "2012-02-29", "2012-02-29 00:00:00" } })
        EXPECT_EQ(parse(text), QString::fromLatin1(stored)) << text;
    for (const char* bad : { "", " ", "2011-02-29", "2010-13-01", "2010-05-17 24:00:00", "2010-05-17 08:60",
             "13/13/2010", "5/17", "abc", "2010-05-17 08:30:00 x", "13:00 PM", "Mayo 1, 2010", "99999999999/1/1",
             "2010-05-17 08:30:00:00", "0000-01-01" }) {
        EXPECT_EQ(parse(bad), QStringLiteral("no date")) << bad;
    }
    // OLE numbers both ways, the negative ones included.
    CivilDateTime d;
    ASSERT_TRUE(engine::jetsql::dates::FromOleDate(-1.25, d));
    EXPECT_EQ(d.day, 29);
    EXPECT_EQ(d.hour, 6);
    EXPECT_DOUBLE_EQ(engine::jetsql::dates::ToOleDate(d), -1.25);
    ASSERT_TRUE(engine::jetsql::dates::FromOleDate(40315.999999999, d));
    EXPECT_EQ(d.day, 18); // rounds to the next midnight
    EXPECT_FALSE(engine::jetsql::dates::FromOleDate(1e300, d));
    EXPECT_FALSE(engine::jetsql::dates::FromOleDate(std::nan(""), d));
}

} // namespace
