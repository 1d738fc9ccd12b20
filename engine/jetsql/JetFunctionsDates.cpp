// The calendar arithmetic behind Jet's date literals and date functions:
// reading date texts byte by byte, day numbers (the platform's one calendar), and
// OLE date numbers.
#include "engine/jetsql/JetFunctions.h"
#include "platform/CivilDate.h"

#include <cmath>

namespace engine::jetsql::dates {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}
bool IsAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

int TwoDigits(const char* p)
{
    return (p[0] - '0') * 10 + (p[1] - '0');
}

bool ValidTime(int h, int mi, int s)
{
    return h >= 0 && h <= 23 && mi >= 0 && mi <= 59 && s >= 0 && s <= 59;
}

// Years written with one or two digits, as Windows reads them.
int WidenYear(int year, int digits)
{
    if (digits > 2)
        return year;
    return year < 30 ? 2000 + year : 1900 + year;
}

// 1..12 for an English month name or its first three letters or more.
int MonthOfName(const char* p, std::size_t n)
{
    static const char* const names[] = { "january", "february", "march", "april", "may", "june", "july", "august",
        "september", "october", "november", "december" };
    if (n < 3)
        return 0;
    for (int m = 0; m < 12; ++m) {
        const char* name = names[m];
        std::size_t i = 0;
        while (i < n && name[i] != '\0' && Lower(p[i]) == name[i])
            ++i;
        if (i == n)
            return m + 1;
    }
    return 0;
}

// The general reader behind ParseDateText, for everything but the two
// stored forms.
class Reader {
public:
    Reader(const char* p, std::size_t n)
        : m_p(p)
        , m_end(p + n)
    {
    }

    bool Read(CivilDateTime& out)
    {
        SkipBlanks();
        bool hasDate = false;
        if (m_p < m_end && (IsDigit(*m_p) || IsAlpha(*m_p)) && !LooksLikeTime()) {
            if (!ReadDate(out))
                return false;
            hasDate = true;
            if (m_p < m_end && (*m_p == 'T' || *m_p == 't'))
                ++m_p;
            SkipBlanks();
        }
        if (m_p < m_end) {
            if (!ReadTime(out))
                return false;
        } else if (!hasDate) {
            return false;
        }
        SkipBlanks();
        if (m_p != m_end)
            return false;
        if (!hasDate) {
            out.year = 1899;
            out.month = 12;
            out.day = 30;
        }
        return true;
    }

private:
    struct Part {
        int value;
        int digits; // 0 for a month name
    };

    void SkipBlanks()
    {
        while (m_p < m_end && IsBlank(*m_p))
            ++m_p;
    }

    // A number followed by ':' starts a time, not a date.
    bool LooksLikeTime() const
    {
        const char* q = m_p;
        while (q < m_end && IsDigit(*q))
            ++q;
        return q > m_p && q < m_end && *q == ':';
    }

    bool ReadNumber(int& value, int& digits)
    {
        value = 0;
        digits = 0;
        while (m_p < m_end && IsDigit(*m_p)) {
            if (digits == 9)
                return false;
            value = value * 10 + (*m_p - '0');
            ++digits;
            ++m_p;
        }
        return digits > 0;
    }

    bool ReadDate(CivilDateTime& out)
    {
        Part parts[3];
        int count = 0;
        int monthNames = 0;
        while (count < 3) {
            if (m_p >= m_end)
                break;
            if (count > 0) {
                // Separators between parts; a blank alone separates only
                // when a month name is involved ("May 17 2010").
                const char* before = m_p;
                bool separated = false;
                while (m_p < m_end && (*m_p == '-' || *m_p == '/' || *m_p == '.' || *m_p == ',' || IsBlank(*m_p))) {
                    separated = true;
                    ++m_p;
                }
                if (!separated || m_p >= m_end || LooksLikeTime()) {
                    m_p = before;
                    break;
                }
                if (IsAlpha(*m_p) && !IsMonthNameAhead()) {
                    m_p = before;
                    break;
                }
            }
            if (IsDigit(*m_p)) {
                int value = 0;
                int digits = 0;
                if (!ReadNumber(value, digits))
                    return false;
                parts[count++] = { value, digits };
            } else if (IsAlpha(*m_p)) {
                const char* start = m_p;
                while (m_p < m_end && IsAlpha(*m_p))
                    ++m_p;
                const int month = MonthOfName(start, static_cast<std::size_t>(m_p - start));
                if (month == 0)
                    return false;
                parts[count++] = { month, 0 };
                ++monthNames;
            } else {
                break;
            }
        }
        if (count != 3 || monthNames > 1)
            return false;
        int year = 0;
        int month = 0;
        int day = 0;
        if (monthNames == 1) {
            int numbers[2];
            int numberDigits[2];
            int k = 0;
            for (const Part& part : parts) {
                if (part.digits == 0) {
                    month = part.value;
                } else {
                    numbers[k] = part.value;
                    numberDigits[k] = part.digits;
                    ++k;
                }
            }
            // The year is the one written with more than two digits, else the last.
            if (numberDigits[0] > 2 && numberDigits[1] <= 2) {
                year = WidenYear(numbers[0], numberDigits[0]);
                day = numbers[1];
            } else {
                day = numbers[0];
                year = WidenYear(numbers[1], numberDigits[1]);
            }
        } else if (parts[0].digits > 2) {
            year = parts[0].value;
            month = parts[1].value;
            day = parts[2].value;
        } else {
            month = parts[0].value;
            day = parts[1].value;
            year = WidenYear(parts[2].value, parts[2].digits);
            if (month > 12 && day <= 12) {
                const int swap = month;
                month = day;
                day = swap;
            }
        }
        if (!IsValidDate(year, month, day))
            return false;
        out.year = year;
        out.month = month;
        out.day = day;
        return true;
    }

    bool IsMonthNameAhead() const
    {
        const char* q = m_p;
        while (q < m_end && IsAlpha(*q))
            ++q;
        return MonthOfName(m_p, static_cast<std::size_t>(q - m_p)) != 0;
    }

    bool ReadTime(CivilDateTime& out)
    {
        int hour = 0;
        int minute = 0;
        int second = 0;
        int digits = 0;
        if (!ReadNumber(hour, digits) || digits > 2)
            return false;
        if (m_p >= m_end || *m_p != ':')
            return false;
        ++m_p;
        if (!ReadNumber(minute, digits) || digits > 2)
            return false;
        if (m_p < m_end && *m_p == ':') {
            ++m_p;
            if (!ReadNumber(second, digits) || digits > 2)
                return false;
            if (m_p < m_end && *m_p == '.') {
                // Fractions of a second are dropped, as OLE dates hold none
                // that Jet shows.
                ++m_p;
                while (m_p < m_end && IsDigit(*m_p))
                    ++m_p;
            }
        }
        SkipBlanks();
        if (m_p < m_end && IsAlpha(*m_p)) {
            const char first = Lower(*m_p);
            ++m_p;
            if (m_p < m_end && Lower(*m_p) == 'm')
                ++m_p;
            if ((first != 'a' && first != 'p') || hour < 1 || hour > 12)
                return false;
            if (first == 'a')
                hour = hour == 12 ? 0 : hour;
            else
                hour = hour == 12 ? 12 : hour + 12;
        }
        if (!ValidTime(hour, minute, second))
            return false;
        out.hour = hour;
        out.minute = minute;
        out.second = second;
        return true;
    }

    const char* m_p;
    const char* m_end;
};

} // namespace

int DaysInMonth(int year, int month)
{
    static const int days[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0))
        return 29;
    return days[month - 1];
}

bool IsValidDate(int year, int month, int day)
{
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

std::int64_t DayNumber(int year, int month, int day)
{
    return platform::DayNumberFromCivil(year, month, day);
}

void CivilFromDayNumber(std::int64_t dayNumber, int& year, int& month, int& day)
{
    const platform::CivilDate date = platform::CivilFromDayNumber(dayNumber);
    year = static_cast<int>(date.year);
    month = date.month;
    day = date.day;
}

int WeekdayOfDayNumber(std::int64_t dayNumber)
{
    // Day 0, 30 December 1899, was a Saturday.
    const std::int64_t r = ((dayNumber % 7) + 7) % 7;
    return static_cast<int>((r + 6) % 7) + 1;
}

std::int64_t LinearSeconds(const CivilDateTime& v)
{
    return DayNumber(v.year, v.month, v.day) * kSecondsPerDay + v.hour * 3600 + v.minute * 60 + v.second;
}

bool FromLinearSeconds(std::int64_t seconds, CivilDateTime& out)
{
    std::int64_t days = seconds / kSecondsPerDay;
    std::int64_t rest = seconds % kSecondsPerDay;
    if (rest < 0) {
        rest += kSecondsPerDay;
        --days;
    }
    if (days < kMinDayNumber || days > kMaxDayNumber)
        return false;
    CivilFromDayNumber(days, out.year, out.month, out.day);
    out.hour = static_cast<int>(rest / 3600);
    out.minute = static_cast<int>(rest / 60 % 60);
    out.second = static_cast<int>(rest % 60);
    return true;
}

bool FromOleDate(double oleDate, CivilDateTime& out)
{
    if (!std::isfinite(oleDate) || oleDate < static_cast<double>(kMinDayNumber) - 1.0
        || oleDate >= static_cast<double>(kMaxDayNumber) + 1.0)
        return false;
    std::int64_t days = static_cast<std::int64_t>(oleDate); // toward zero: the day part
    const double fraction = std::fabs(oleDate - static_cast<double>(days));
    std::int64_t seconds = std::llround(fraction * kSecondsPerDay);
    if (seconds >= kSecondsPerDay) {
        seconds -= kSecondsPerDay;
        ++days;
    }
    if (days < kMinDayNumber || days > kMaxDayNumber)
        return false;
    CivilFromDayNumber(days, out.year, out.month, out.day);
    out.hour = static_cast<int>(seconds / 3600);
    out.minute = static_cast<int>(seconds / 60 % 60);
    out.second = static_cast<int>(seconds % 60);
    return true;
}

double ToOleDate(const CivilDateTime& v)
{
    const double days = static_cast<double>(DayNumber(v.year, v.month, v.day));
    const double fraction = (v.hour * 3600 + v.minute * 60 + v.second) / static_cast<double>(kSecondsPerDay);
    return days >= 0 ? days + fraction : days - fraction;
}

void FormatStored(const CivilDateTime& v, char* buffer)
{
    auto put = [](char* p, int value, int width) {
        for (int i = width - 1; i >= 0; --i) {
            p[i] = static_cast<char>('0' + value % 10);
            value /= 10;
        }
    };
    put(buffer, v.year, 4);
    buffer[4] = '-';
    put(buffer + 5, v.month, 2);
    buffer[7] = '-';
    put(buffer + 8, v.day, 2);
    buffer[10] = ' ';
    put(buffer + 11, v.hour, 2);
    buffer[13] = ':';
    put(buffer + 14, v.minute, 2);
    buffer[16] = ':';
    put(buffer + 17, v.second, 2);
    buffer[19] = '\0';
}

bool ParseDateText(const char* text, std::size_t length, CivilDateTime& out)
{
    // The stored forms first: nearly every call is one of them.
    if ((length == 19 || length == 10) && IsDigit(text[0]) && IsDigit(text[1]) && IsDigit(text[2]) && IsDigit(text[3])
        && text[4] == '-' && IsDigit(text[5]) && IsDigit(text[6]) && text[7] == '-' && IsDigit(text[8])
        && IsDigit(text[9])) {
        const int year = TwoDigits(text) * 100 + TwoDigits(text + 2);
        const int month = TwoDigits(text + 5);
        const int day = TwoDigits(text + 8);
        if (length == 10) {
            if (!IsValidDate(year, month, day))
                return false;
            out = CivilDateTime { year, month, day, 0, 0, 0 };
            return true;
        }
        if ((text[10] == ' ' || text[10] == 'T') && IsDigit(text[11]) && IsDigit(text[12]) && text[13] == ':'
            && IsDigit(text[14]) && IsDigit(text[15]) && text[16] == ':' && IsDigit(text[17]) && IsDigit(text[18])) {
            const int hour = TwoDigits(text + 11);
            const int minute = TwoDigits(text + 14);
            const int second = TwoDigits(text + 17);
            if (!IsValidDate(year, month, day) || !ValidTime(hour, minute, second))
                return false;
            out = CivilDateTime { year, month, day, hour, minute, second };
            return true;
        }
    }
    CivilDateTime value;
    Reader reader(text, length);
    if (!reader.Read(value))
        return false;
    out = value;
    return true;
}

} // namespace engine::jetsql::dates
