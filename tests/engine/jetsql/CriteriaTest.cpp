// ADO's Find and Filter criteria against rows of typed values: each
// comparison follows the field's type (numbers as numbers, dates as dates,
// text without regard to case), Null is matched only by = Null, and texts
// that are no criteria fail with ADO's invalid-argument error.
#include "engine/jetsql/Criteria.h"

#include "platform/ComError.h"
#include "platform/HResult.h"

#include <QMap>
#include <gtest/gtest.h>

using engine::criteria::ParseFilter;
using engine::criteria::ParseFind;
using platform::Variant;

namespace {

class Row {
public:
    Row& Set(const QString& name, const Variant& value)
    {
        m_values.insert(name.toLower(), value);
        return *this;
    }

    std::function<Variant(const QString&)> Reader() const
    {
        return [this](const QString& name) {
            const auto found = m_values.constFind(name.toLower());
            if (found == m_values.constEnd())
                throw platform::ComError(platform::adErrItemNotFound, QStringLiteral("no field %1").arg(name));
            return found.value();
        };
    }

private:
    QMap<QString, Variant> m_values;
};

Row WordRow()
{
    Row row;
    row.Set("ID", Variant::FromI4(9))
        .Set("Word", Variant::FromBstr("Apple"))
        .Set("Pronunciation", Variant::Null())
        .Set("Memory Cycle", Variant::FromI2(2))
        .Set("Date", Variant::FromDate(40315.5)) // 17 May 2010 12:00
        .Set("Price", Variant::FromCy(500000)) // 50.00
        .Set("Flag", Variant::FromBool(true))
        .Set("Code", Variant::FromBstr("10"))
        .Set("Written", Variant::FromBstr("2010-05-17 00:00:00"))
        .Set("Ratio", Variant::FromR8(0.25))
        .Set("Name", Variant::FromBstr("O'Brien"));
    return row;
}

bool Finds(const QString& criteria, const Row& row = WordRow())
{
    return ParseFind(criteria)->Matches(row.Reader());
}
bool Filters(const QString& criteria, const Row& row = WordRow())
{
    return ParseFilter(criteria)->Matches(row.Reader());
}

void ExpectInvalid(const QString& criteria, bool filter)
{
    try {
        if (filter)
            ParseFilter(criteria);
        else
            ParseFind(criteria);
        ADD_FAILURE() << "accepted: " << criteria.toStdString();
    } catch (const platform::ComError& e) {
        EXPECT_EQ(e.Error(), platform::adErrInvalidArgument) << criteria.toStdString();
        EXPECT_EQ(e.Description().value_or(QString()),
            QStringLiteral("Arguments are of the wrong type, are out of acceptable range, or are in conflict "
                           "with one another."));
    }
}

TEST(CriteriaTest, FindComparesByTheFieldsType)
{
    // Each criterion the row meets, then each it fails. Text: without regard
    // to case; # may enclose text as well.
    const char* const found[]
        = { "Word = 'apple'", "word='APPLE'", "Word < 'banana'", "Name = 'O''Brien'", "Name = #O'Brien#",
              // Numbers: numerically, not as text ("9" > "10" as text), text that
              // reads as a number included.
              "ID < 10", "ID = '9'", "[Memory Cycle] = 2", "Code > 9", "Price = $50.00", "Price > 49.99",
              "Ratio = 2.5E-1", "Ratio > -1", "Flag = True", "Flag <> 0",
              // Dates: as dates, for date fields and for text holding a date.
              "Date > #5/17/2010#", "Date < #2010-05-18#", "Date = #5/17/2010 12:00:00 PM#",
              "Date = '2010-05-17 12:00:00'", "Written = #5/17/2010#",
              // Null only by = Null; LIKE with * or % anywhere.
              "Pronunciation = Null", "Word <> Null", "Word LIKE 'app*'", "Word LIKE '%PL%'", "Word LIKE '*e'",
              "Word LIKE 'a*l*'" };
    for (const char* criteria : found)
        EXPECT_TRUE(Finds(QString::fromUtf8(criteria))) << criteria;
    const char* const missed[] = { "Word <> 'apple'", "ID >= 10", "Flag = False",
        "Word = #5/17/2010#", // text that is no date never equals one
        "Pronunciation <> NULL", "Pronunciation = ''", "Pronunciation <> ''", "Word LIKE 'b*'", "Word LIKE 'appl'",
        "Pronunciation LIKE '*'" };
    for (const char* criteria : missed)
        EXPECT_FALSE(Finds(QString::fromUtf8(criteria))) << criteria;
    // Text in every script.
    for (const auto& [word, criteria] :
        { std::pair { "été", "Word = 'ÉTÉ'" }, { "Москва", "Word = 'МОСКВА'" }, { "αβγ", "Word = 'ΑΒΓ'" },
            { "été", "Word LIKE 'ÉT*'" }, { "Москва", "Word LIKE '*СКВА'" }, { "αβγ", "Word >= 'ΑΒΓ'" } }) {
        Row row = WordRow();
        row.Set("Word", Variant::FromBstr(QString::fromUtf8(word)));
        EXPECT_TRUE(Finds(QString::fromUtf8(criteria), row)) << criteria;
        EXPECT_TRUE(Filters(QString::fromUtf8(criteria), row)) << criteria;
    }
}

TEST(CriteriaTest, FilterJoinsComparisonsWithAndOrAndParentheses)
{
    // AND binds tighter than OR.
    for (const char* met : { "Word = 'pear' OR Word = 'apple'", "Word = 'apple' AND ID = 9 AND [Memory Cycle] = 2",
             "Word = 'apple' OR Word = 'pear' AND ID > 100", "((Word = 'pear') OR (ID = 9 and Pronunciation = Null))" })
        EXPECT_TRUE(Filters(QString::fromLatin1(met))) << met;
    for (const char* failed : { "Word = 'apple' AND ID > 9", "(Word = 'apple' OR Word = 'pear') AND ID > 100" })
        EXPECT_FALSE(Filters(QString::fromLatin1(failed))) << failed;
    Row other = WordRow();
    other.Set("Word", Variant::FromBstr("Pear"));
    EXPECT_TRUE(Filters("Word = 'pear' OR Word = 'apple'", other));
    EXPECT_FALSE(Filters("Word LIKE 'a%'", other));

    // A field the rowset lacks fails when the row is tested.
    const auto predicate = ParseFilter("Missing = 1");
    EXPECT_THROW(predicate->Matches(WordRow().Reader()), platform::ComError);
}

TEST(CriteriaTest, TextsThatAreNoCriteriaAreRefused)
{
    for (const char* bad : { "", "Word", "Word =", "= 'a'", "Word = 'abc", "Word == 'a'", "Word LIKE 5", "Word > Null",
             "Word = 'a' AND ID = 1", "(Word = 'a')", "Word = 'a' extra", "Word = [Other]", "[Word = 'a'",
             "Word = #5/17/2010", "Word ! 'a'", "Word = $" }) {
        ExpectInvalid(QString::fromUtf8(bad), false);
    }
    for (const char* bad : { "Word = 'a' AND", "(Word = 'a'", "Word = 'a')", "Word = 'a' OR OR ID = 1",
             "AND Word = 'a'", "Word = 'a' ID = 1" }) {
        ExpectInvalid(QString::fromUtf8(bad), true);
    }
    ExpectInvalid(QString(5000, u'(') + QStringLiteral("ID = 1") + QString(5000, u')'), true);
    EXPECT_TRUE(Filters(QString(20, u'(') + QStringLiteral("ID = 9") + QString(20, u')')));
}

} // namespace
