// OLE dates: calendar round trips, the epoch and the days before it, leap
// days, refused dates, strftime-style formatting and the accepted text forms.
#include "platform/OleDateTime.h"

#include "platform/CivilDate.h"

#include <array>
#include <gtest/gtest.h>
#include <tuple>

using namespace platform;

namespace {
void ExpectFields(const OleDateTime& d, int y, int mo, int da, int h, int mi, int s)
{
    ASSERT_EQ(d.GetStatus(), OleDateTime::valid);
    EXPECT_EQ(d.GetYear(), y);
    EXPECT_EQ(d.GetMonth(), mo);
    EXPECT_EQ(d.GetDay(), da);
    EXPECT_EQ(d.GetHour(), h);
    EXPECT_EQ(d.GetMinute(), mi);
    EXPECT_EQ(d.GetSecond(), s);
}
} // namespace

TEST(OleDateTime, DayCountsAroundTheEpoch)
{
    // Before the epoch the fraction counts forward from the named day; the
    // last rows are the limits of the range. Each day number reads as its
    // date, and the date gives back the number (0.5 for noon of day -0.5).
    const struct {
        double days;
        int y, mo, d, h;
    } dates[] = { { 0.0, 1899, 12, 30, 0 }, { 1.0, 1899, 12, 31, 0 }, { 2.0, 1900, 1, 1, 0 }, { 2.25, 1900, 1, 1, 6 },
        { -1.25, 1899, 12, 29, 6 }, { -0.5, 1899, 12, 30, 12 }, { 40315.0, 2010, 5, 17, 0 }, { 25569.0, 1970, 1, 1, 0 },
        { -657434.0, 100, 1, 1, 0 } };
    for (const auto& c : dates) {
        ExpectFields(OleDateTime(c.days), c.y, c.mo, c.d, c.h, 0, 0);
        EXPECT_DOUBLE_EQ(OleDateTime(c.y, c.mo, c.d, c.h, 0, 0).m_dt, c.days == -0.5 ? 0.5 : c.days) << c.days;
    }
    ExpectFields(OleDateTime(9999, 12, 31, 23, 59, 59), 9999, 12, 31, 23, 59, 59);
    EXPECT_EQ(OleDateTime(3e6).GetStatus(), OleDateTime::invalid);
    EXPECT_EQ(OleDateTime(-700000.0).GetStatus(), OleDateTime::invalid);

    // Every day from 1 January of year 1 to the end of 9999, against Qt's
    // calendar: each day number names the day Qt counts, and reads back.
    const QDate epoch(1899, 12, 30);
    for (std::int64_t n = DayNumberFromCivil(1, 1, 1); n <= 2958465; ++n) {
        const QDate q = epoch.addDays(n);
        const CivilDate c = CivilFromDayNumber(n);
        if (c.year != q.year() || c.month != q.month() || c.day != q.day()
            || DayNumberFromCivil(c.year, c.month, c.day) != n)
            FAIL() << "day " << n << " reads as " << c.year << "-" << c.month << "-" << c.day;
    }
}

TEST(OleDateTime, RoundTripsAndRoundingToTheSecond)
{
    for (int year : { 100, 1601, 1899, 1900, 1999, 2000, 2010, 2038, 9999 }) {
        for (int month : { 1, 2, 7, 12 }) {
            const OleDateTime d(year, month, 28, 23, 59, 58);
            ExpectFields(d, year, month, 28, 23, 59, 58);
            ExpectFields(OleDateTime(d.m_dt), year, month, 28, 23, 59, 58);
        }
    }
    // Half a second short of a minute rounds up, across the day as well.
    const double oneSecond = 1.0 / 86400.0;
    ExpectFields(OleDateTime(40315.0 + 59.6 * oneSecond), 2010, 5, 17, 0, 1, 0);
    ExpectFields(OleDateTime(40316.0 - 0.3 * oneSecond), 2010, 5, 18, 0, 0, 0);
    ExpectFields(OleDateTime(40316.0 - 0.7 * oneSecond), 2010, 5, 17, 23, 59, 59);
    ExpectFields(OleDateTime(40315.0 - 0.3 * oneSecond), 2010, 5, 17, 0, 0, 0);

    const OleDateTime monday(2010, 5, 17, 8, 30, 0);
    EXPECT_EQ(monday.GetDayOfWeek(), 2); // 1 = Sunday
    EXPECT_EQ(monday.GetDayOfYear(), 137);
    EXPECT_EQ(OleDateTime(0.0).GetDayOfWeek(), 7); // 30 Dec 1899 was a Saturday
    EXPECT_EQ(OleDateTime(-1.0).GetDayOfWeek(), 6);
    EXPECT_EQ(OleDateTime(2012, 12, 31, 0, 0, 0).GetDayOfYear(), 366);

    const QDateTime q(QDate(2010, 5, 17), QTime(8, 30, 15));
    const OleDateTime fromQ = OleDateTime::FromQDateTime(q);
    ExpectFields(fromQ, 2010, 5, 17, 8, 30, 15);
    EXPECT_EQ(fromQ.ToQDateTime(), q);
    EXPECT_EQ(OleDateTime::FromQDateTime(QDateTime()).GetStatus(), OleDateTime::invalid);
}

TEST(OleDateTime, LeapDaysAndRefusedDates)
{
    EXPECT_EQ(OleDateTime(2000, 2, 29, 0, 0, 0).GetStatus(), OleDateTime::valid);
    ExpectFields(OleDateTime(OleDateTime(2012, 2, 29, 0, 0, 0).m_dt + 1.0), 2012, 3, 1, 0, 0, 0);
    // The last day of every month is a date, and the day after it is not.
    const int lengths[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    for (int month = 1; month <= 12; ++month) {
        const int last = lengths[month - 1] + (month == 2 ? 1 : 0); // 2012 is a leap year
        EXPECT_EQ(OleDateTime(2012, month, last, 0, 0, 0).GetStatus(), OleDateTime::valid) << month;
        EXPECT_EQ(OleDateTime(2012, month, last + 1, 0, 0, 0).GetStatus(), OleDateTime::invalid) << month;
        EXPECT_EQ(OleDateTime(2011, month, lengths[month - 1], 0, 0, 0).GetStatus(), OleDateTime::valid) << month;
        EXPECT_EQ(OleDateTime(2011, month, lengths[month - 1] + 1, 0, 0, 0).GetStatus(), OleDateTime::invalid) << month;
    }
    const std::array<int, 6> refused[] = { { 1900, 2, 29, 0, 0, 0 }, { 2100, 2, 29, 0, 0, 0 }, { 2010, 13, 1, 0, 0, 0 },
        { 2010, 0, 1, 0, 0, 0 }, { 2010, 1, 0, 0, 0, 0 }, { 2010, 1, 1, 24, 0, 0 }, { 2010, 1, 1, 0, 60, 0 },
        { 2010, 1, 1, 0, 0, 60 }, { 99, 1, 1, 0, 0, 0 }, { 10000, 1, 1, 0, 0, 0 } };
    for (const auto& [y, mo, d, h, mi, s] : refused)
        EXPECT_EQ(OleDateTime(y, mo, d, h, mi, s).GetStatus(), OleDateTime::invalid) << y << '-' << mo << '-' << d;

    OleDateTime d(2010, 5, 17, 8, 30, 0);
    const double before = d.m_dt;
    EXPECT_EQ(d.SetDateTime(2010, 2, 30, 0, 0, 0), OleDateTime::invalid);
    EXPECT_EQ(d.GetYear(), -1); // an invalid date has no fields
    EXPECT_EQ(d.m_dt, before);
    EXPECT_EQ(d.SetDateTime(2010, 2, 28, 0, 0, 0), OleDateTime::valid);
    EXPECT_EQ(d.GetDay(), 28);
}

TEST(OleDateTime, FormatCodes)
{
    const OleDateTime d(2010, 5, 17, 8, 30, 0);
    const OleDateTime evening(2009, 1, 4, 20, 5, 9);
    const std::tuple<OleDateTime, const char*, const char*> cases[]
        = { { d, "%Y-%m-%d %H:%M:%S", "2010-05-17 08:30:00" }, { d, "%d/%m/%Y", "17/05/2010" },
              { d, "%a %A %b %B", "Mon Monday May May" }, { d, "%y|%j|%w|%I%p|%%|100%", "10|137|1|08AM|%|100%" },
              { d, "%#d.%#m.%Y", "17.5.2010" }, { d, "%q %#q", "%q %#q" }, { d, "%c", "05/17/10 08:30:00" },
              { d, "%x %X", "05/17/10 08:30:00" }, { evening, "%I:%M:%S %p %a %b %U %W", "08:05:09 PM Sun Jan 01 00" },
              { OleDateTime(2009, 1, 3, 0, 0, 0), "%a %U %W", "Sat 00 00" },
              { OleDateTime(2010, 1, 1, 0, 0, 0), "%I %p", "12 AM" },
              { OleDateTime(2010, 1, 1, 12, 0, 0), "%I %p", "12 PM" },
              { OleDateTime(150, 3, 1, 0, 0, 0), "%Y", "150" } };
    for (const auto& [date, format, text] : cases)
        EXPECT_EQ(date.Format(QString::fromLatin1(format)), QString::fromLatin1(text)) << format;

    OleDateTime nullDate = d;
    nullDate.SetStatus(OleDateTime::null);
    EXPECT_EQ(nullDate.Format(QStringLiteral("%Y")), QString());
    EXPECT_EQ(OleDateTime(2010, 2, 30, 0, 0, 0).Format(QStringLiteral("%Y")), QStringLiteral("Invalid DateTime"));
}

TEST(OleDateTime, ParseAcceptedForms)
{
    auto fields = [](const char* text) {
        std::optional<OleDateTime> d = OleDateTime::Parse(QString::fromLatin1(text));
        return d ? d->Format(QStringLiteral("%Y-%m-%d %H:%M:%S")) : QStringLiteral("refused");
    };
    const std::pair<const char*, const char*> accepted[]
        = { { "2010-05-17 08:30:00", "2010-05-17 08:30:00" }, { "2010-05-17", "2010-05-17 00:00:00" },
              { "2010-05-17 08:30", "2010-05-17 08:30:00" }, { "2010-05-17T08:30:15", "2010-05-17 08:30:15" },
              { "2010/05/17", "2010-05-17 00:00:00" }, { "2010/05/17 23:59:59", "2010-05-17 23:59:59" },
              { "05/17/2010", "2010-05-17 00:00:00" }, { "5/7/2010 8:05", "2010-05-07 08:05:00" },
              { "2010-5-7 8:05:09", "2010-05-07 08:05:09" }, { "  2010-05-17  ", "2010-05-17 00:00:00" },
              { "1899-12-29 06:00:00", "1899-12-29 06:00:00" }, { "2000-02-29 00:00:00", "2000-02-29 00:00:00" } };
    for (const auto& [text, read] : accepted)
        EXPECT_EQ(fields(text), QString::fromLatin1(read)) << text;
    EXPECT_DOUBLE_EQ(OleDateTime::Parse(QStringLiteral("1899-12-29 06:00:00"))->m_dt, -1.25);

    for (const char* bad : { "", "   ", "hello", "2010-02-30", "2010-02-30 00:00:00", "1900-02-29 00:00:00",
             "2010-05-17 24:00:00", "2010-05-17 08:60:00", "2010-05-17x", "17.05.2010", "2010-05", "2010-05-17 08",
             "2010-05-17 08:30:", "13/01/2010", "2010/05-17", "0099-01-01 00:00:00", "05/17/10", "2010-05-17T08:30:00Z",
             "20100517", "2010-05-17 008:30:00", "2010-05-17 08:030:00", "2010-05-17 08:30:000", "2010-05/17 08:30:00",
             "2010-05-17 08:30:001" }) {
        EXPECT_EQ(fields(bad), "refused") << bad;
    }
    // The stored form with anything but a digit in any digit's place.
    for (int at : { 0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18 }) {
        QString text = QStringLiteral("2010-05-17 08:30:00");
        text[at] = QLatin1Char('x');
        EXPECT_FALSE(OleDateTime::Parse(text).has_value()) << text.toStdString();
    }
}

TEST(OleDateTime, StorageTextRoundTrip)
{
    const OleDateTime d(2010, 5, 17, 8, 30, 5);
    EXPECT_EQ(d.ToStorageText(), QStringLiteral("2010-05-17 08:30:05"));
    EXPECT_EQ(OleDateTime(150, 1, 2, 3, 4, 5).ToStorageText(), QStringLiteral("0150-01-02 03:04:05"));
    const std::optional<OleDateTime> back = OleDateTime::Parse(d.ToStorageText());
    ASSERT_TRUE(back.has_value());
    EXPECT_DOUBLE_EQ(back->m_dt, d.m_dt);
    EXPECT_EQ(OleDateTime(2010, 2, 30, 0, 0, 0).ToStorageText(), QString());
}
