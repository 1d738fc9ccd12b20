// Conversions between OLE dates and the stored date text. Day numbers come
// from the proleptic Gregorian calendar by the usual civil-from-days
// arithmetic; OLE's rule for dates before 1899-12-30 (the fraction is the
// time of day even when the day part is negative) is kept.
#include "engine/sqlite/DateText.h"

#include "platform/CivilDate.h"

#include <cmath>
#include <cstdio>

namespace engine::datetext {

namespace {

constexpr int kMinYear = 100;
constexpr int kMaxYear = 9999;

int DaysInMonth(int y, int m)
{
    static const int days[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0))
        return 29;
    return days[m - 1];
}

// Reads exactly n..max digits at p; advances p.
bool Digits(const char*& p, const char* end, int minCount, int maxCount, int& value)
{
    int count = 0;
    value = 0;
    while (p < end && count < maxCount && *p >= '0' && *p <= '9') {
        value = value * 10 + (*p - '0');
        ++p;
        ++count;
    }
    return count >= minCount;
}

bool ParseTime(const char*& p, const char* end, int& h, int& mi, int& s)
{
    h = mi = s = 0;
    if (!Digits(p, end, 1, 2, h) || p >= end || *p != ':')
        return false;
    ++p;
    if (!Digits(p, end, 2, 2, mi))
        return false;
    if (p < end && *p == ':') {
        ++p;
        if (!Digits(p, end, 2, 2, s))
            return false;
        if (p < end && *p == '.') { // fractions of a second are dropped
            ++p;
            int ignored = 0;
            if (!Digits(p, end, 1, 9, ignored))
                return false;
        }
    }
    return h < 24 && mi < 60 && s < 60;
}

} // namespace

double FromParts(int year, int month, int day, int hour, int minute, int second)
{
    const long long days = platform::DayNumberFromCivil(year, month, day);
    const double fraction = (hour * 3600 + minute * 60 + second) / 86400.0;
    return days >= 0 ? double(days) + fraction : double(days) - fraction;
}

std::optional<double> Parse(const char* text, std::size_t length)
{
    const char* p = text;
    const char* end = text + length;
    while (p < end && *p == ' ')
        ++p;
    while (end > p && end[-1] == ' ')
        --end;
    int a = 0, b = 0, c = 0;
    int year = 0, month = 0, day = 0;
    const char* start = p;
    if (!Digits(p, end, 1, 4, a) || p >= end)
        return std::nullopt;
    const bool yearFirst = (p - start) >= 3;
    const char sep = *p;
    if (sep != '-' && sep != '/')
        return std::nullopt;
    ++p;
    if (!Digits(p, end, 1, 2, b) || p >= end || *p != sep)
        return std::nullopt;
    ++p;
    if (yearFirst) {
        if (!Digits(p, end, 1, 2, c))
            return std::nullopt;
        year = a, month = b, day = c;
    } else {
        if (sep != '/' || !Digits(p, end, 4, 4, c))
            return std::nullopt;
        month = a, day = b, year = c;
    }
    int h = 0, mi = 0, s = 0;
    if (p < end) {
        if (*p != ' ' && *p != 'T')
            return std::nullopt;
        while (p < end && (*p == ' ' || *p == 'T'))
            ++p;
        if (!ParseTime(p, end, h, mi, s) || p != end)
            return std::nullopt;
    }
    if (year < kMinYear || year > kMaxYear || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return std::nullopt;
    return FromParts(year, month, day, h, mi, s);
}

std::optional<QByteArray> ToStorage(double oleDate)
{
    if (!std::isfinite(oleDate))
        return std::nullopt;
    double dayPart = std::trunc(oleDate);
    long long seconds = std::llround(std::fabs(oleDate - dayPart) * 86400.0);
    long long days = static_cast<long long>(dayPart);
    // A time that rounds up to midnight is the next day, later in time
    // whatever the sign: OLE's day part names the day and the fraction
    // counts forward from its midnight even before 30 December 1899.
    if (seconds >= 86400) {
        seconds -= 86400;
        days += 1;
    }
    const platform::CivilDate date = platform::CivilFromDayNumber(days);
    if (date.year < kMinYear || date.year > kMaxYear)
        return std::nullopt;
    char buffer[32];
    const int n = std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", static_cast<int>(date.year),
        date.month, date.day, int(seconds / 3600), int(seconds / 60 % 60), int(seconds % 60));
    return QByteArray(buffer, n);
}

} // namespace engine::datetext
