// OLE Automation dates: the conversion between the day count (days since
// 30 December 1899, the time of day as the fraction) and calendar fields,
// the strftime-style formatting that the access layer's text getters use,
// and the parsing of date texts, with a fast path for the engine's stored
// form because the engine parses every date it reads.
//
// Negative dates keep OLE's peculiarity: the integer part names the day and
// the fraction counts forward from midnight of that day, so -1.25 is
// 29 December 1899 06:00, not 28 December 18:00. Times are rounded to the
// nearest second, as COleDateTime does when it breaks a date down.
#include "platform/OleDateTime.h"

#include "platform/CivilDate.h"

#include <array>
#include <cmath>
#include <cstdint>

namespace platform {

namespace {

// COleDateTime's range: 1 January 100 to 31 December 9999.
constexpr double kMinDate = -657434.0;
constexpr double kMaxDate = 2958466.0; // exclusive: midnight of 1 January 10000
constexpr std::int64_t kSecondsPerDay = 86400;

bool IsLeapYear(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m)
{
    static constexpr std::array<int, 12> days { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    return m == 2 && IsLeapYear(y) ? 29 : days[static_cast<std::size_t>(m - 1)];
}

bool FieldsInRange(int year, int month, int day, int hour, int minute, int second)
{
    return year >= 100 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month)
        && hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}

// The OLE date of valid calendar fields.
double OleFromFields(int year, int month, int day, int hour, int minute, int second)
{
    const std::int64_t days = DayNumberFromCivil(year, month, day);
    const double fraction = (hour * 3600 + minute * 60 + second) / static_cast<double>(kSecondsPerDay);
    // Before the epoch the fraction still counts forward from the day.
    return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

struct Broken {
    std::int64_t days; // since the OLE epoch, on a straight time line
    int secondOfDay;
};

// Puts an OLE date on a straight time line (seconds since the epoch,
// rounded to the nearest second) and splits that into day and second.
Broken Break(double dt)
{
    double wholeDay = std::trunc(dt);
    double fraction = std::fabs(dt - wholeDay);
    std::int64_t seconds = static_cast<std::int64_t>(wholeDay) * kSecondsPerDay
        + static_cast<std::int64_t>(std::llround(fraction * kSecondsPerDay));
    std::int64_t days = seconds >= 0 ? seconds / kSecondsPerDay : -((-seconds + kSecondsPerDay - 1) / kSecondsPerDay);
    return { days, static_cast<int>(seconds - days * kSecondsPerDay) };
}

bool InRange(double dt)
{
    return std::isfinite(dt) && dt > kMinDate - 1.0 && dt < kMaxDate;
}

struct Fields {
    int year, month, day, hour, minute, second;
    int dayOfWeek; // 1 = Sunday
    int dayOfYear; // 1 = 1 January
};

Fields FieldsOf(double dt)
{
    const Broken b = Break(dt);
    const CivilDate c = CivilFromDayNumber(b.days);
    Fields f {};
    f.year = static_cast<int>(c.year);
    f.month = c.month;
    f.day = c.day;
    f.hour = b.secondOfDay / 3600;
    f.minute = b.secondOfDay / 60 % 60;
    f.second = b.secondOfDay % 60;
    // The epoch, 30 December 1899, was a Saturday.
    f.dayOfWeek = static_cast<int>(((b.days % 7) + 7 + 6) % 7) + 1;
    f.dayOfYear = static_cast<int>(b.days - DayNumberFromCivil(c.year, 1, 1)) + 1;
    return f;
}

constexpr std::array<const char*, 7> kShortDays { "Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat" };
constexpr std::array<const char*, 7> kLongDays { "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday",
    "Saturday" };
constexpr std::array<const char*, 12> kShortMonths { "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep",
    "Oct", "Nov", "Dec" };
constexpr std::array<const char*, 12> kLongMonths { "January", "February", "March", "April", "May", "June", "July",
    "August", "September", "October", "November", "December" };

// A number zero-padded to width, or without padding under the '#' flag
// (the Windows runtime's way of removing leading zeros).
void AppendNumber(QString& out, int value, int width, bool noPad)
{
    out += noPad ? QString::number(value) : QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

// Week of the year with weeks starting on firstWeekday (0 = Sunday), days
// before the first such day in week 0, as strftime's %U and %W.
int WeekOfYear(const Fields& f, int firstWeekday)
{
    const int weekday = f.dayOfWeek - 1; // 0 = Sunday
    const int yday = f.dayOfYear - 1;
    return (yday + 7 - ((weekday - firstWeekday + 7) % 7)) / 7;
}

// Reads exactly [minDigits, maxDigits] decimal digits at pos.
bool ReadNumber(const QChar* s, qsizetype n, qsizetype& pos, int minDigits, int maxDigits, int& value)
{
    int digits = 0;
    value = 0;
    while (pos < n && digits < maxDigits && s[pos] >= QLatin1Char('0') && s[pos] <= QLatin1Char('9')) {
        value = value * 10 + (s[pos].unicode() - '0');
        ++pos;
        ++digits;
    }
    return digits >= minDigits;
}

bool Expect(const QChar* s, qsizetype n, qsizetype& pos, char c)
{
    if (pos < n && s[pos] == QLatin1Char(c)) {
        ++pos;
        return true;
    }
    return false;
}

// " HH:MM[:SS]" or "THH:MM:SS" after a date, or nothing.
bool ReadTime(const QChar* s, qsizetype n, qsizetype& pos, bool allowT, int& hour, int& minute, int& second)
{
    hour = minute = second = 0;
    if (pos == n)
        return true;
    if (!(Expect(s, n, pos, ' ') || (allowT && Expect(s, n, pos, 'T'))))
        return false;
    while (pos < n && s[pos] == QLatin1Char(' '))
        ++pos;
    if (!ReadNumber(s, n, pos, 1, 2, hour) || !Expect(s, n, pos, ':') || !ReadNumber(s, n, pos, 1, 2, minute))
        return false;
    if (Expect(s, n, pos, ':') && !ReadNumber(s, n, pos, 1, 2, second))
        return false;
    return true;
}

int Digit(QChar c)
{
    return c.unicode() - '0';
}
bool IsDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

OleDateTime::OleDateTime(double oleDate)
    : m_dt(oleDate)
    , m_status(InRange(oleDate) ? valid : invalid)
{
}

OleDateTime::OleDateTime(int year, int month, int day, int hour, int minute, int second)
{
    SetDateTime(year, month, day, hour, minute, second);
}

OleDateTime OleDateTime::FromQDateTime(const QDateTime& local)
{
    OleDateTime result;
    if (!local.isValid()) {
        result.m_status = invalid;
        return result;
    }
    const QDate d = local.date();
    const QTime t = local.time();
    result.SetDateTime(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
    return result;
}

int OleDateTime::SetDateTime(int year, int month, int day, int hour, int minute, int second)
{
    if (FieldsInRange(year, month, day, hour, minute, second)) {
        m_dt = OleFromFields(year, month, day, hour, minute, second);
        m_status = valid;
    } else {
        m_status = invalid;
    }
    return m_status;
}

namespace {
// COleDateTime's getters give -1 (AFX_OLE_DATETIME_ERROR) for a date that
// is not valid.
constexpr int kFieldError = -1;
} // namespace

int OleDateTime::GetYear() const
{
    return m_status == valid ? FieldsOf(m_dt).year : kFieldError;
}
int OleDateTime::GetMonth() const
{
    return m_status == valid ? FieldsOf(m_dt).month : kFieldError;
}
int OleDateTime::GetDay() const
{
    return m_status == valid ? FieldsOf(m_dt).day : kFieldError;
}
int OleDateTime::GetHour() const
{
    return m_status == valid ? FieldsOf(m_dt).hour : kFieldError;
}
int OleDateTime::GetMinute() const
{
    return m_status == valid ? FieldsOf(m_dt).minute : kFieldError;
}
int OleDateTime::GetSecond() const
{
    return m_status == valid ? FieldsOf(m_dt).second : kFieldError;
}
int OleDateTime::GetDayOfWeek() const
{
    return m_status == valid ? FieldsOf(m_dt).dayOfWeek : kFieldError;
}
int OleDateTime::GetDayOfYear() const
{
    return m_status == valid ? FieldsOf(m_dt).dayOfYear : kFieldError;
}

QDateTime OleDateTime::ToQDateTime() const
{
    if (m_status != valid)
        return {};
    const Fields f = FieldsOf(m_dt);
    return QDateTime(QDate(f.year, f.month, f.day), QTime(f.hour, f.minute, f.second));
}

QString OleDateTime::Format(const QString& format) const
{
    if (m_status == null)
        return {};
    if (m_status != valid)
        return QStringLiteral("Invalid DateTime");
    const Fields f = FieldsOf(m_dt);
    QString out;
    out.reserve(format.size() + 16);
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c != QLatin1Char('%') || i + 1 == format.size()) {
            out += c;
            continue;
        }
        ++i;
        bool noPad = false;
        if (format[i] == QLatin1Char('#') && i + 1 < format.size()) {
            noPad = true;
            ++i;
        }
        const int hour12 = f.hour % 12 == 0 ? 12 : f.hour % 12;
        switch (format[i].unicode()) {
        case 'a':
            out += QLatin1String(kShortDays[static_cast<std::size_t>(f.dayOfWeek - 1)]);
            break;
        case 'A':
            out += QLatin1String(kLongDays[static_cast<std::size_t>(f.dayOfWeek - 1)]);
            break;
        case 'b':
            out += QLatin1String(kShortMonths[static_cast<std::size_t>(f.month - 1)]);
            break;
        case 'B':
            out += QLatin1String(kLongMonths[static_cast<std::size_t>(f.month - 1)]);
            break;
        case 'c': // the Windows runtime's "C" locale forms
            out += Format(QStringLiteral("%m/%d/%y %H:%M:%S"));
            break;
        case 'x':
            out += Format(QStringLiteral("%m/%d/%y"));
            break;
        case 'X':
            out += Format(QStringLiteral("%H:%M:%S"));
            break;
        case 'd':
            AppendNumber(out, f.day, 2, noPad);
            break;
        case 'H':
            AppendNumber(out, f.hour, 2, noPad);
            break;
        case 'I':
            AppendNumber(out, hour12, 2, noPad);
            break;
        case 'j':
            AppendNumber(out, f.dayOfYear, 3, noPad);
            break;
        case 'm':
            AppendNumber(out, f.month, 2, noPad);
            break;
        case 'M':
            AppendNumber(out, f.minute, 2, noPad);
            break;
        case 'S':
            AppendNumber(out, f.second, 2, noPad);
            break;
        case 'p':
            out += f.hour < 12 ? QLatin1String("AM") : QLatin1String("PM");
            break;
        case 'U':
            AppendNumber(out, WeekOfYear(f, 0), 2, noPad);
            break;
        case 'W':
            AppendNumber(out, WeekOfYear(f, 1), 2, noPad);
            break;
        case 'w':
            AppendNumber(out, f.dayOfWeek - 1, 1, noPad);
            break;
        case 'y':
            AppendNumber(out, f.year % 100, 2, noPad);
            break;
        case 'Y':
            AppendNumber(out, f.year, 1, noPad);
            break;
        case '%':
            out += QLatin1Char('%');
            break;
        default: // an unknown code stays as written
            out += QLatin1Char('%');
            if (noPad)
                out += QLatin1Char('#');
            out += format[i];
            break;
        }
    }
    return out;
}

std::optional<OleDateTime> OleDateTime::Parse(const QString& text)
{
    const QChar* s = text.constData();
    qsizetype n = text.size();

    // The engine's stored form, read for every date of every row.
    if (n == 19 && s[4] == QLatin1Char('-') && s[7] == QLatin1Char('-') && s[10] == QLatin1Char(' ')
        && s[13] == QLatin1Char(':') && s[16] == QLatin1Char(':')) {
        static constexpr std::array<int, 14> digitAt { 0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18 };
        bool allDigits = true;
        for (int p : digitAt)
            allDigits = allDigits && IsDigit(s[p]);
        if (allDigits) {
            auto two = [s](int p) { return Digit(s[p]) * 10 + Digit(s[p + 1]); };
            const int year = two(0) * 100 + two(2);
            if (!FieldsInRange(year, two(5), two(8), two(11), two(14), two(17)))
                return std::nullopt;
            OleDateTime result;
            result.m_dt = OleFromFields(year, two(5), two(8), two(11), two(14), two(17));
            return result;
        }
    }

    qsizetype begin = 0;
    while (begin < n && s[begin].isSpace())
        ++begin;
    while (n > begin && s[n - 1].isSpace())
        --n;
    qsizetype pos = begin;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    int first = 0;
    const qsizetype firstStart = pos;
    if (!ReadNumber(s, n, pos, 1, 4, first))
        return std::nullopt;
    const qsizetype firstDigits = pos - firstStart;
    bool isoLike = false;
    if (firstDigits == 4) {
        // YYYY-MM-DD or YYYY/MM/DD
        year = first;
        if (pos >= n || (s[pos] != QLatin1Char('-') && s[pos] != QLatin1Char('/')))
            return std::nullopt;
        const char sep = static_cast<char>(s[pos].unicode());
        isoLike = sep == '-';
        ++pos;
        if (!ReadNumber(s, n, pos, 1, 2, month) || !Expect(s, n, pos, sep) || !ReadNumber(s, n, pos, 1, 2, day))
            return std::nullopt;
    } else if (firstDigits <= 2) {
        // MM/DD/YYYY
        month = first;
        if (!Expect(s, n, pos, '/') || !ReadNumber(s, n, pos, 1, 2, day) || !Expect(s, n, pos, '/'))
            return std::nullopt;
        const qsizetype yearStart = pos;
        if (!ReadNumber(s, n, pos, 4, 4, year) || pos - yearStart != 4)
            return std::nullopt;
    } else {
        return std::nullopt;
    }
    if (!ReadTime(s, n, pos, isoLike, hour, minute, second) || pos != n)
        return std::nullopt;
    if (!FieldsInRange(year, month, day, hour, minute, second))
        return std::nullopt;
    OleDateTime result;
    result.m_dt = OleFromFields(year, month, day, hour, minute, second);
    return result;
}

QString OleDateTime::ToStorageText() const
{
    if (m_status != valid)
        return {};
    const Fields f = FieldsOf(m_dt);
    // Built by hand rather than with arg(): the engine writes one per date.
    std::array<char16_t, 19> buf {};
    auto put = [&buf](int at, int value, int width) {
        for (int i = width - 1; i >= 0; --i) {
            buf[static_cast<std::size_t>(at + i)] = static_cast<char16_t>(u'0' + value % 10);
            value /= 10;
        }
    };
    put(0, f.year, 4);
    buf[4] = u'-';
    put(5, f.month, 2);
    buf[7] = u'-';
    put(8, f.day, 2);
    buf[10] = u' ';
    put(11, f.hour, 2);
    buf[13] = u':';
    put(14, f.minute, 2);
    buf[16] = u':';
    put(17, f.second, 2);
    return QString(reinterpret_cast<const QChar*>(buf.data()), static_cast<qsizetype>(buf.size()));
}

} // namespace platform
