// Jet's functions as SQLite functions (jet_now, jet_datediff, ...), with
// VBA's meaning: DateDiff counts boundaries crossed, not elapsed time;
// DateAdd keeps the day of month where it can and otherwise takes the
// month's last day; text compares without regard to case. They run per row,
// so dates are read from SQLite's UTF-8 bytes and written from a stack
// buffer. A Null argument gives Null, as in Jet.
#include "engine/jetsql/JetFunctions.h"

#include "engine/jetsql/JetSql.h"
#include "platform/Clock.h"

#include <QString>
#include <cmath>
#include <cstring>
#include <limits>
#include <sqlite3.h>
#include <string>

namespace engine::jetsql {

namespace {

using dates::CivilDateTime;

const char* const kTypeMismatch = "Data type mismatch in criteria expression.";
const char* const kInvalidCall = "Invalid procedure call or argument.";
const char* const kOverflow = "Overflow";

enum class Read { Ok, Null, Bad };

// A date argument: stored text, any date text Jet reads, or an OLE date.
Read ReadDate(sqlite3_value* v, CivilDateTime& out)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_NULL:
        return Read::Null;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        return dates::FromOleDate(sqlite3_value_double(v), out) ? Read::Ok : Read::Bad;
    case SQLITE_TEXT: {
        const char* text = reinterpret_cast<const char*>(sqlite3_value_text(v));
        const int n = sqlite3_value_bytes(v);
        return text != nullptr && dates::ParseDateText(text, static_cast<std::size_t>(n), out) ? Read::Ok : Read::Bad;
    }
    default:
        return Read::Bad;
    }
}

// A number argument: Null, or anything SQLite reads as a number.
Read ReadNumber(sqlite3_value* v, double& out)
{
    switch (sqlite3_value_numeric_type(v)) {
    case SQLITE_NULL:
        return Read::Null;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        out = sqlite3_value_double(v);
        return std::isfinite(out) ? Read::Ok : Read::Bad;
    default:
        return Read::Bad;
    }
}

void ResultDate(sqlite3_context* ctx, const CivilDateTime& value)
{
    char buffer[dates::kStoredLength + 1];
    dates::FormatStored(value, buffer);
    sqlite3_result_text(ctx, buffer, dates::kStoredLength, SQLITE_TRANSIENT);
}

CivilDateTime ClockNow()
{
    const QDateTime now = platform::Clock::Now();
    const QDate d = now.date();
    const QTime t = now.time();
    return CivilDateTime { d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second() };
}

// VBA's interval codes.
enum class Interval { Year, Quarter, Month, DayOfYear, Day, Weekday, Week, Hour, Minute, Second, Bad };

Interval ReadInterval(sqlite3_value* v)
{
    const char* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    if (p == nullptr)
        return Interval::Bad;
    char code[5] = { 0, 0, 0, 0, 0 };
    int n = 0;
    for (; p[n] != '\0'; ++n) {
        if (n == 4)
            return Interval::Bad;
        char c = p[n];
        code[n] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    static const struct {
        const char* code;
        Interval interval;
    } kIntervals[] = {
        { "yyyy", Interval::Year },
        { "q", Interval::Quarter },
        { "m", Interval::Month },
        { "y", Interval::DayOfYear },
        { "d", Interval::Day },
        { "w", Interval::Weekday },
        { "ww", Interval::Week },
        { "h", Interval::Hour },
        { "n", Interval::Minute },
        { "s", Interval::Second },
    };
    for (const auto& entry : kIntervals) {
        if (std::strcmp(code, entry.code) == 0)
            return entry.interval;
    }
    return Interval::Bad;
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

// VBA's firstdayofweek: 0 (the system's) is Sunday here, 1 Sunday ... 7 Saturday.
bool ReadFirstDay(sqlite3_value* v, int& firstDay)
{
    firstDay = 1;
    if (v == nullptr || sqlite3_value_type(v) == SQLITE_NULL)
        return true;
    const int d = sqlite3_value_int(v);
    if (d < 0 || d > 7)
        return false;
    firstDay = d == 0 ? 1 : d;
    return true;
}

std::int64_t WeekStart(std::int64_t dayNumber, int firstDay)
{
    const int weekday = dates::WeekdayOfDayNumber(dayNumber);
    return dayNumber - ((weekday - firstDay + 7) % 7);
}

// DatePart("ww"): the first week is the one with 1 January (1, the
// default), the first with four days of the year (2), or the first whole
// week (3).
std::int64_t WeekOfYear(std::int64_t dayNumber, int year, int firstDay, int firstWeek)
{
    for (int y = year; y >= year - 1; --y) {
        const std::int64_t jan1 = dates::DayNumber(y, 1, 1);
        std::int64_t start = WeekStart(jan1, firstDay);
        if (firstWeek == 2 && jan1 - start > 3)
            start += 7;
        else if (firstWeek == 3 && jan1 != start)
            start += 7;
        if (dayNumber >= start)
            return (dayNumber - start) / 7 + 1;
    }
    return 1;
}

// The clock as one run of a statement sees it. Called with the constant
// argument Translate writes, the first reading is kept as SQLite's
// auxiliary data until the statement is reset, so that all rows see one
// time (and the clock is not read per row); with no argument, it is read
// afresh.
CivilDateTime StatementClock(sqlite3_context* ctx, int argc)
{
    if (argc == 0)
        return ClockNow();
    if (const auto* kept = static_cast<const CivilDateTime*>(sqlite3_get_auxdata(ctx, 0)))
        return *kept;
    const CivilDateTime now = ClockNow();
    sqlite3_set_auxdata(ctx, 0, new CivilDateTime(now), [](void* p) { delete static_cast<CivilDateTime*>(p); });
    return now;
}

void JetNow(sqlite3_context* ctx, int argc, sqlite3_value**)
{
    ResultDate(ctx, StatementClock(ctx, argc));
}

void JetDate(sqlite3_context* ctx, int argc, sqlite3_value**)
{
    CivilDateTime now = StatementClock(ctx, argc);
    now.hour = now.minute = now.second = 0;
    ResultDate(ctx, now);
}

void JetTime(sqlite3_context* ctx, int argc, sqlite3_value**)
{
    const CivilDateTime now = StatementClock(ctx, argc);
    ResultDate(ctx, CivilDateTime { 1899, 12, 30, now.hour, now.minute, now.second });
}

void JetDateDiff(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    const Interval interval = ReadInterval(argv[0]);
    if (interval == Interval::Bad)
        return sqlite3_result_error(ctx, kInvalidCall, -1);
    CivilDateTime a;
    CivilDateTime b;
    const Read ra = ReadDate(argv[1], a);
    const Read rb = ReadDate(argv[2], b);
    if (ra == Read::Bad || rb == Read::Bad)
        return sqlite3_result_error(ctx, kTypeMismatch, -1);
    if (ra == Read::Null || rb == Read::Null)
        return sqlite3_result_null(ctx);
    int firstDay = 1;
    if (!ReadFirstDay(argc > 3 ? argv[3] : nullptr, firstDay))
        return sqlite3_result_error(ctx, kInvalidCall, -1);
    std::int64_t result = 0;
    switch (interval) {
    case Interval::Year:
        result = b.year - a.year;
        break;
    case Interval::Quarter:
        result = (b.year * 4 + (b.month - 1) / 3) - (a.year * 4 + (a.month - 1) / 3);
        break;
    case Interval::Month:
        result = (b.year * 12 + b.month) - (a.year * 12 + a.month);
        break;
    case Interval::DayOfYear:
    case Interval::Day:
        result = dates::DayNumber(b.year, b.month, b.day) - dates::DayNumber(a.year, a.month, a.day);
        break;
    case Interval::Weekday:
        result = (dates::DayNumber(b.year, b.month, b.day) - dates::DayNumber(a.year, a.month, a.day)) / 7;
        break;
    case Interval::Week:
        result = (WeekStart(dates::DayNumber(b.year, b.month, b.day), firstDay)
                     - WeekStart(dates::DayNumber(a.year, a.month, a.day), firstDay))
            / 7;
        break;
    case Interval::Hour:
        result = FloorDiv(dates::LinearSeconds(b), 3600) - FloorDiv(dates::LinearSeconds(a), 3600);
        break;
    case Interval::Minute:
        result = FloorDiv(dates::LinearSeconds(b), 60) - FloorDiv(dates::LinearSeconds(a), 60);
        break;
    case Interval::Second:
        result = dates::LinearSeconds(b) - dates::LinearSeconds(a);
        break;
    case Interval::Bad:
        break;
    }
    sqlite3_result_int64(ctx, result);
}

void JetDateAdd(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    const Interval interval = ReadInterval(argv[0]);
    if (interval == Interval::Bad)
        return sqlite3_result_error(ctx, kInvalidCall, -1);
    double number = 0;
    const Read rn = ReadNumber(argv[1], number);
    CivilDateTime d;
    const Read rd = ReadDate(argv[2], d);
    if (rn == Read::Bad || rd == Read::Bad)
        return sqlite3_result_error(ctx, kTypeMismatch, -1);
    if (rn == Read::Null || rd == Read::Null)
        return sqlite3_result_null(ctx);
    // Whole intervals only, rounded to the nearest as VBA rounds (a half to
    // the even one); anything past OLE's range fails below.
    const double whole = std::nearbyint(number);
    if (std::fabs(whole) > 4.0e9)
        return sqlite3_result_error(ctx, kInvalidCall, -1);
    const std::int64_t n = static_cast<std::int64_t>(whole);
    CivilDateTime result = d;
    std::int64_t months = 0;
    std::int64_t seconds = 0;
    switch (interval) {
    case Interval::Year:
        months = n * 12;
        break;
    case Interval::Quarter:
        months = n * 3;
        break;
    case Interval::Month:
        months = n;
        break;
    case Interval::DayOfYear:
    case Interval::Day:
    case Interval::Weekday:
        seconds = n * 86400;
        break;
    case Interval::Week:
        seconds = n * 7 * 86400;
        break;
    case Interval::Hour:
        seconds = n * 3600;
        break;
    case Interval::Minute:
        seconds = n * 60;
        break;
    case Interval::Second:
        seconds = n;
        break;
    case Interval::Bad:
        break;
    }
    if (months != 0) {
        const std::int64_t total = static_cast<std::int64_t>(d.year) * 12 + (d.month - 1) + months;
        const std::int64_t year = FloorDiv(total, 12);
        if (year < 100 || year > 9999)
            return sqlite3_result_error(ctx, kInvalidCall, -1);
        result.year = static_cast<int>(year);
        result.month = static_cast<int>(total - year * 12) + 1;
        const int last = dates::DaysInMonth(result.year, result.month);
        if (result.day > last)
            result.day = last;
    } else if (!dates::FromLinearSeconds(dates::LinearSeconds(d) + seconds, result)) {
        return sqlite3_result_error(ctx, kInvalidCall, -1);
    }
    ResultDate(ctx, result);
}

void JetDatePart(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    const Interval interval = ReadInterval(argv[0]);
    if (interval == Interval::Bad)
        return sqlite3_result_error(ctx, kInvalidCall, -1);
    CivilDateTime d;
    const Read rd = ReadDate(argv[1], d);
    if (rd == Read::Bad)
        return sqlite3_result_error(ctx, kTypeMismatch, -1);
    if (rd == Read::Null)
        return sqlite3_result_null(ctx);
    int firstDay = 1;
    if (!ReadFirstDay(argc > 2 ? argv[2] : nullptr, firstDay))
        return sqlite3_result_error(ctx, kInvalidCall, -1);
    int firstWeek = 1;
    if (argc > 3 && sqlite3_value_type(argv[3]) != SQLITE_NULL) {
        firstWeek = sqlite3_value_int(argv[3]);
        if (firstWeek < 0 || firstWeek > 3)
            return sqlite3_result_error(ctx, kInvalidCall, -1);
        if (firstWeek == 0)
            firstWeek = 1;
    }
    const std::int64_t day = dates::DayNumber(d.year, d.month, d.day);
    std::int64_t result = 0;
    switch (interval) {
    case Interval::Year:
        result = d.year;
        break;
    case Interval::Quarter:
        result = (d.month - 1) / 3 + 1;
        break;
    case Interval::Month:
        result = d.month;
        break;
    case Interval::DayOfYear:
        result = day - dates::DayNumber(d.year, 1, 1) + 1;
        break;
    case Interval::Day:
        result = d.day;
        break;
    case Interval::Weekday:
        result = (dates::WeekdayOfDayNumber(day) - firstDay + 7) % 7 + 1;
        break;
    case Interval::Week:
        result = WeekOfYear(day, d.year, firstDay, firstWeek);
        break;
    case Interval::Hour:
        result = d.hour;
        break;
    case Interval::Minute:
        result = d.minute;
        break;
    case Interval::Second:
        result = d.second;
        break;
    case Interval::Bad:
        break;
    }
    sqlite3_result_int64(ctx, result);
}

// Year, Month, ... of one date argument.
template <int CivilDateTime::*Field> void JetDateField(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    CivilDateTime d;
    switch (ReadDate(argv[0], d)) {
    case Read::Null:
        return sqlite3_result_null(ctx);
    case Read::Bad:
        return sqlite3_result_error(ctx, kTypeMismatch, -1);
    case Read::Ok:
        break;
    }
    sqlite3_result_int(ctx, d.*Field);
}

void JetWeekday(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    CivilDateTime d;
    switch (ReadDate(argv[0], d)) {
    case Read::Null:
        return sqlite3_result_null(ctx);
    case Read::Bad:
        return sqlite3_result_error(ctx, kTypeMismatch, -1);
    case Read::Ok:
        break;
    }
    int firstDay = 1;
    if (!ReadFirstDay(argc > 1 ? argv[1] : nullptr, firstDay))
        return sqlite3_result_error(ctx, kInvalidCall, -1);
    const int weekday = dates::WeekdayOfDayNumber(dates::DayNumber(d.year, d.month, d.day));
    sqlite3_result_int(ctx, (weekday - firstDay + 7) % 7 + 1);
}

void JetDateSerial(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    double y = 0;
    double m = 0;
    double d = 0;
    const Read ry = ReadNumber(argv[0], y);
    const Read rm = ReadNumber(argv[1], m);
    const Read rd = ReadNumber(argv[2], d);
    if (ry == Read::Bad || rm == Read::Bad || rd == Read::Bad)
        return sqlite3_result_error(ctx, kTypeMismatch, -1);
    if (ry == Read::Null || rm == Read::Null || rd == Read::Null)
        return sqlite3_result_null(ctx);
    if (std::fabs(y) > 1e6 || std::fabs(m) > 1e7 || std::fabs(d) > 1e8)
        return sqlite3_result_error(ctx, kInvalidCall, -1);
    std::int64_t year = static_cast<std::int64_t>(std::nearbyint(y));
    if (year >= 0 && year < 30)
        year += 2000;
    else if (year >= 30 && year < 100)
        year += 1900;
    // Months and days out of range roll over, as in VBA.
    const std::int64_t total = year * 12 + static_cast<std::int64_t>(std::nearbyint(m)) - 1;
    const std::int64_t fullYear = FloorDiv(total, 12);
    if (fullYear < 1 || fullYear > 9999)
        return sqlite3_result_error(ctx, kInvalidCall, -1);
    const int month = static_cast<int>(total - fullYear * 12) + 1;
    const std::int64_t dayNumber
        = dates::DayNumber(static_cast<int>(fullYear), month, 1) + static_cast<std::int64_t>(std::nearbyint(d)) - 1;
    CivilDateTime result;
    if (!dates::FromLinearSeconds(dayNumber * 86400, result))
        return sqlite3_result_error(ctx, kInvalidCall, -1);
    ResultDate(ctx, result);
}

void JetTimeSerial(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    double parts[3] = { 0, 0, 0 };
    for (int i = 0; i < 3; ++i) {
        const Read r = ReadNumber(argv[i], parts[i]);
        if (r == Read::Bad)
            return sqlite3_result_error(ctx, kTypeMismatch, -1);
        if (r == Read::Null)
            return sqlite3_result_null(ctx);
        if (std::fabs(parts[i]) > 1e9)
            return sqlite3_result_error(ctx, kInvalidCall, -1);
    }
    const std::int64_t seconds = static_cast<std::int64_t>(std::nearbyint(parts[0])) * 3600
        + static_cast<std::int64_t>(std::nearbyint(parts[1])) * 60
        + static_cast<std::int64_t>(std::nearbyint(parts[2]));
    CivilDateTime result;
    if (!dates::FromLinearSeconds(seconds, result))
        return sqlite3_result_error(ctx, kInvalidCall, -1);
    ResultDate(ctx, result);
}

// CDate, DateValue (the date alone) and TimeValue (the time alone).
template <int Part> void JetDateConvert(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    CivilDateTime d;
    switch (ReadDate(argv[0], d)) {
    case Read::Null:
        return sqlite3_result_null(ctx);
    case Read::Bad:
        return sqlite3_result_error(ctx, kTypeMismatch, -1);
    case Read::Ok:
        break;
    }
    if (Part == 1)
        d.hour = d.minute = d.second = 0;
    if (Part == 2) {
        d.year = 1899;
        d.month = 12;
        d.day = 30;
    }
    ResultDate(ctx, d);
}

// --- text

bool IsAscii(const unsigned char* p, int n)
{
    for (int i = 0; i < n; ++i) {
        if (p[i] >= 0x80)
            return false;
    }
    return true;
}

void ResultQString(sqlite3_context* ctx, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_result_text(ctx, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

template <bool Upper> void JetChangeCase(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    const unsigned char* p = sqlite3_value_text(argv[0]);
    const int n = sqlite3_value_bytes(argv[0]);
    if (p == nullptr)
        return sqlite3_result_null(ctx);
    if (IsAscii(p, n)) {
        std::string s(reinterpret_cast<const char*>(p), static_cast<std::size_t>(n));
        for (char& c : s) {
            if (Upper && c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
            else if (!Upper && c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        }
        return sqlite3_result_text(ctx, s.data(), n, SQLITE_TRANSIENT);
    }
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(p), n);
    ResultQString(ctx, Upper ? text.toUpper() : text.toLower());
}

void JetRight(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    const sqlite3_int64 count = sqlite3_value_int64(argv[1]);
    if (count < 0)
        return sqlite3_result_error(ctx, kInvalidCall, -1);
    const unsigned char* p = sqlite3_value_text(argv[0]);
    const int n = sqlite3_value_bytes(argv[0]);
    int start = n;
    for (sqlite3_int64 taken = 0; taken < count && start > 0; ++taken) {
        --start;
        while (start > 0 && (p[start] & 0xC0) == 0x80)
            --start;
    }
    sqlite3_result_text(ctx, reinterpret_cast<const char*>(p) + start, n - start, SQLITE_TRANSIENT);
}

void JetInStr(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            return sqlite3_result_null(ctx);
    }
    sqlite3_int64 start = 1;
    int first = 0;
    if (argc == 3) {
        start = sqlite3_value_int64(argv[0]);
        first = 1;
        if (start < 1)
            return sqlite3_result_error(ctx, kInvalidCall, -1);
    }
    const QString haystack = QString::fromUtf8(
        reinterpret_cast<const char*>(sqlite3_value_text(argv[first])), sqlite3_value_bytes(argv[first]));
    const QString needle = QString::fromUtf8(
        reinterpret_cast<const char*>(sqlite3_value_text(argv[first + 1])), sqlite3_value_bytes(argv[first + 1]));
    if (start > haystack.size() + 1)
        return sqlite3_result_int(ctx, 0);
    const qsizetype found = haystack.indexOf(needle, static_cast<qsizetype>(start - 1), Qt::CaseInsensitive);
    sqlite3_result_int64(ctx, found < 0 ? 0 : found + 1);
}

void JetSpace(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    const sqlite3_int64 n = sqlite3_value_int64(argv[0]);
    if (n < 0 || n > 65535)
        return sqlite3_result_error(ctx, kInvalidCall, -1);
    const std::string spaces(static_cast<std::size_t>(n), ' ');
    sqlite3_result_text(ctx, spaces.data(), static_cast<int>(n), SQLITE_TRANSIENT);
}

// Jet's LIKE pattern: % any run, _ one character, [abc], [a-z], [!abc];
// letters match either case.
char32_t Fold(char32_t c)
{
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c;
    if (c <= 0xFFFF)
        return QChar(static_cast<char16_t>(c)).toCaseFolded().unicode();
    return c;
}

std::u32string Decode(const unsigned char* p, int n)
{
    std::u32string out;
    out.reserve(static_cast<std::size_t>(n));
    int i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        char32_t cp = c;
        int extra = 0;
        if (c >= 0xF0)
            cp = c & 0x07, extra = 3;
        else if (c >= 0xE0)
            cp = c & 0x0F, extra = 2;
        else if (c >= 0xC0)
            cp = c & 0x1F, extra = 1;
        ++i;
        for (int k = 0; k < extra && i < n && (p[i] & 0xC0) == 0x80; ++k, ++i)
            cp = (cp << 6) | (p[i] & 0x3F);
        out.push_back(Fold(cp));
    }
    return out;
}

// Matches one [set] at pattern[pi] (pi on '['); sets next to the index past
// ']'. False in ok for a set with no ']'.
bool MatchSet(const std::u32string& pattern, std::size_t pi, char32_t c, std::size_t& next, bool& ok)
{
    std::size_t i = pi + 1;
    bool negate = false;
    if (i < pattern.size() && pattern[i] == U'!') {
        negate = true;
        ++i;
    }
    bool matched = false;
    bool first = true;
    while (i < pattern.size() && (pattern[i] != U']' || first)) {
        first = false;
        char32_t low = pattern[i];
        char32_t high = low;
        if (i + 2 < pattern.size() && pattern[i + 1] == U'-' && pattern[i + 2] != U']') {
            high = pattern[i + 2];
            i += 3;
        } else {
            ++i;
        }
        if (c >= low && c <= high)
            matched = true;
    }
    if (i >= pattern.size()) {
        ok = false;
        return false;
    }
    next = i + 1;
    return matched != negate;
}

void JetLike(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    const std::u32string text = Decode(sqlite3_value_text(argv[0]), sqlite3_value_bytes(argv[0]));
    const std::u32string pattern = Decode(sqlite3_value_text(argv[1]), sqlite3_value_bytes(argv[1]));
    std::size_t t = 0;
    std::size_t p = 0;
    std::size_t starP = std::u32string::npos;
    std::size_t starT = 0;
    bool ok = true;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == U'%') {
            starP = p++;
            starT = t;
            continue;
        }
        if (p < pattern.size()) {
            std::size_t next = p + 1;
            bool match = false;
            if (pattern[p] == U'[')
                match = MatchSet(pattern, p, text[t], next, ok);
            else
                match = pattern[p] == U'_' || pattern[p] == text[t];
            if (!ok)
                return sqlite3_result_error(ctx, "Invalid pattern string.", -1);
            if (match) {
                p = next;
                ++t;
                continue;
            }
        }
        if (starP == std::u32string::npos)
            return sqlite3_result_int(ctx, 0);
        p = starP + 1;
        t = ++starT;
    }
    while (p < pattern.size() && pattern[p] == U'%')
        ++p;
    sqlite3_result_int(ctx, p == pattern.size() ? 1 : 0);
}

// Jet's text order: without regard to case in every script. Two ASCII
// texts (the usual case) compare byte by byte with A-Z folded; any other
// pair by its case-folded code points, which orders ASCII the same way, so
// the order is one order whichever way a pair is compared.
int CompareText(void*, int n1, const void* p1, int n2, const void* p2)
{
    const auto* a = static_cast<const unsigned char*>(p1);
    const auto* b = static_cast<const unsigned char*>(p2);
    if (IsAscii(a, n1) && IsAscii(b, n2)) {
        const int n = n1 < n2 ? n1 : n2;
        for (int i = 0; i < n; ++i) {
            const int x = (a[i] >= 'A' && a[i] <= 'Z') ? a[i] - 'A' + 'a' : a[i];
            const int y = (b[i] >= 'A' && b[i] <= 'Z') ? b[i] - 'A' + 'a' : b[i];
            if (x != y)
                return x - y;
        }
        return n1 - n2;
    }
    const std::u32string x = Decode(a, n1);
    const std::u32string y = Decode(b, n2);
    const int order = x.compare(y);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

// Jet's &: Null only when both sides are Null; one Null reads as "".
void JetConcat(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    const bool null0 = sqlite3_value_type(argv[0]) == SQLITE_NULL;
    const bool null1 = sqlite3_value_type(argv[1]) == SQLITE_NULL;
    if (null0 && null1)
        return sqlite3_result_null(ctx);
    std::string joined;
    for (int i = 0; i < 2; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            continue;
        const unsigned char* text = sqlite3_value_text(argv[i]);
        if (text == nullptr)
            return sqlite3_result_error_nomem(ctx);
        joined.append(reinterpret_cast<const char*>(text), static_cast<std::size_t>(sqlite3_value_bytes(argv[i])));
    }
    sqlite3_result_text64(ctx, joined.data(), joined.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

// --- numbers

void ResultWhole(sqlite3_context* ctx, double value)
{
    if (value >= -9.2e18 && value <= 9.2e18)
        sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(value));
    else
        sqlite3_result_double(ctx, value);
}

template <int Mode> // 0 Int (down), 1 Fix (toward zero)
void JetWhole(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_numeric_type(argv[0]) == SQLITE_INTEGER)
        return sqlite3_result_int64(ctx, sqlite3_value_int64(argv[0]));
    double v = 0;
    switch (ReadNumber(argv[0], v)) {
    case Read::Null:
        return sqlite3_result_null(ctx);
    case Read::Bad:
        return sqlite3_result_error(ctx, kTypeMismatch, -1);
    case Read::Ok:
        break;
    }
    ResultWhole(ctx, Mode == 0 ? std::floor(v) : std::trunc(v));
}

void JetSgn(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    double v = 0;
    switch (ReadNumber(argv[0], v)) {
    case Read::Null:
        return sqlite3_result_null(ctx);
    case Read::Bad:
        return sqlite3_result_error(ctx, kTypeMismatch, -1);
    case Read::Ok:
        break;
    }
    sqlite3_result_int(ctx, v > 0 ? 1 : (v < 0 ? -1 : 0));
}

void JetSqr(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    double v = 0;
    switch (ReadNumber(argv[0], v)) {
    case Read::Null:
        return sqlite3_result_null(ctx);
    case Read::Bad:
        return sqlite3_result_error(ctx, kTypeMismatch, -1);
    case Read::Ok:
        break;
    }
    if (v < 0)
        return sqlite3_result_error(ctx, kInvalidCall, -1);
    sqlite3_result_double(ctx, std::sqrt(v));
}

// A stored date ("YYYY-MM-DD HH:MM:SS" or "YYYY-MM-DD") among the operands
// of + and -: only these forms, so that no other text is taken for a date.
bool StoredDate(sqlite3_value* v, CivilDateTime& out)
{
    if (sqlite3_value_type(v) != SQLITE_TEXT)
        return false;
    const int n = sqlite3_value_bytes(v);
    if (n != dates::kStoredLength && n != 10)
        return false;
    return dates::ParseDateText(reinterpret_cast<const char*>(sqlite3_value_text(v)), static_cast<std::size_t>(n), out);
}

// SQLite's own sum or difference of two numbers (integers stay integers
// unless they overflow).
void NumericResult(sqlite3_context* ctx, sqlite3_value* a, sqlite3_value* b, bool subtract)
{
    if (sqlite3_value_numeric_type(a) == SQLITE_INTEGER && sqlite3_value_numeric_type(b) == SQLITE_INTEGER) {
        const sqlite3_int64 x = sqlite3_value_int64(a);
        const sqlite3_int64 y = sqlite3_value_int64(b);
        sqlite3_int64 r = 0;
        if (!(subtract ? __builtin_sub_overflow(x, y, &r) : __builtin_add_overflow(x, y, &r)))
            return sqlite3_result_int64(ctx, r);
    }
    const double x = sqlite3_value_double(a);
    const double y = sqlite3_value_double(b);
    sqlite3_result_double(ctx, subtract ? x - y : x + y);
}

bool IsNumeric(sqlite3_value* v)
{
    const int type = sqlite3_value_numeric_type(v);
    return type == SQLITE_INTEGER || type == SQLITE_FLOAT;
}

// The date some days (with a fraction for the time) from a date.
void DatePlusDays(sqlite3_context* ctx, const CivilDateTime& d, double days)
{
    const double seconds = std::nearbyint(days * 86400.0);
    CivilDateTime result;
    if (!std::isfinite(seconds) || std::fabs(seconds) > 1e15
        || !dates::FromLinearSeconds(dates::LinearSeconds(d) + static_cast<std::int64_t>(seconds), result))
        return sqlite3_result_error(ctx, kOverflow, -1);
    ResultDate(ctx, result);
}

// Jet's +: a date and a number give a date; two texts are joined; Null
// gives Null; otherwise numbers add.
void JetAdd(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    sqlite3_value* a = argv[0];
    sqlite3_value* b = argv[1];
    if (sqlite3_value_type(a) == SQLITE_NULL || sqlite3_value_type(b) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    CivilDateTime d;
    if (StoredDate(a, d) && IsNumeric(b))
        return DatePlusDays(ctx, d, sqlite3_value_double(b));
    if (StoredDate(b, d) && IsNumeric(a))
        return DatePlusDays(ctx, d, sqlite3_value_double(a));
    if (sqlite3_value_type(a) == SQLITE_TEXT && sqlite3_value_type(b) == SQLITE_TEXT) {
        std::string joined(
            reinterpret_cast<const char*>(sqlite3_value_text(a)), static_cast<std::size_t>(sqlite3_value_bytes(a)));
        joined.append(
            reinterpret_cast<const char*>(sqlite3_value_text(b)), static_cast<std::size_t>(sqlite3_value_bytes(b)));
        return sqlite3_result_text64(ctx, joined.data(), joined.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    }
    if (!IsNumeric(a) || !IsNumeric(b))
        return sqlite3_result_error(ctx, kTypeMismatch, -1);
    NumericResult(ctx, a, b, false);
}

// Jet's -: a date less a number is a date; a date less a date is the days
// between them, with the time as the fraction; otherwise numbers subtract.
void JetSubtract(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    sqlite3_value* a = argv[0];
    sqlite3_value* b = argv[1];
    if (sqlite3_value_type(a) == SQLITE_NULL || sqlite3_value_type(b) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    CivilDateTime d;
    CivilDateTime e;
    if (StoredDate(a, d)) {
        if (StoredDate(b, e))
            return sqlite3_result_double(
                ctx, static_cast<double>(dates::LinearSeconds(d) - dates::LinearSeconds(e)) / 86400.0);
        if (IsNumeric(b))
            return DatePlusDays(ctx, d, -sqlite3_value_double(b));
        return sqlite3_result_error(ctx, kTypeMismatch, -1);
    }
    if (StoredDate(b, e) && IsNumeric(a))
        return sqlite3_result_double(ctx, sqlite3_value_double(a) - dates::ToOleDate(e));
    if (!IsNumeric(a) || !IsNumeric(b))
        return sqlite3_result_error(ctx, kTypeMismatch, -1);
    NumericResult(ctx, a, b, true);
}

void JetPower(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    double a = 0;
    double b = 0;
    const Read ra = ReadNumber(argv[0], a);
    const Read rb = ReadNumber(argv[1], b);
    if (ra == Read::Bad || rb == Read::Bad)
        return sqlite3_result_error(ctx, kTypeMismatch, -1);
    if (ra == Read::Null || rb == Read::Null)
        return sqlite3_result_null(ctx);
    const double r = std::pow(a, b);
    if (!std::isfinite(r))
        return sqlite3_result_error(ctx, kInvalidCall, -1);
    sqlite3_result_double(ctx, r);
}

// Round(x, n) rounds halves to even, as VBA does.
void JetRound(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    double v = 0;
    switch (ReadNumber(argv[0], v)) {
    case Read::Null:
        return sqlite3_result_null(ctx);
    case Read::Bad:
        return sqlite3_result_error(ctx, kTypeMismatch, -1);
    case Read::Ok:
        break;
    }
    int places = 0;
    if (argc > 1) {
        if (sqlite3_value_type(argv[1]) == SQLITE_NULL)
            return sqlite3_result_null(ctx);
        places = sqlite3_value_int(argv[1]);
        if (places < 0 || places > 22)
            return sqlite3_result_error(ctx, kInvalidCall, -1);
    }
    if (places == 0) {
        if (sqlite3_value_numeric_type(argv[0]) == SQLITE_INTEGER)
            return sqlite3_result_int64(ctx, sqlite3_value_int64(argv[0]));
        return ResultWhole(ctx, std::nearbyint(v));
    }
    const double scale = std::pow(10.0, places);
    const double scaled = v * scale;
    if (!std::isfinite(scaled))
        return sqlite3_result_double(ctx, v);
    sqlite3_result_double(ctx, std::nearbyint(scaled) / scale);
}

void JetCLng(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    double v = 0;
    switch (ReadNumber(argv[0], v)) {
    case Read::Null:
        return sqlite3_result_error(ctx, "Invalid use of Null", -1);
    case Read::Bad:
        return sqlite3_result_error(ctx, kTypeMismatch, -1);
    case Read::Ok:
        break;
    }
    const double r = std::nearbyint(v);
    if (r < std::numeric_limits<std::int32_t>::min() || r > std::numeric_limits<std::int32_t>::max())
        return sqlite3_result_error(ctx, kOverflow, -1);
    sqlite3_result_int(ctx, static_cast<int>(r));
}

void JetCDbl(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    double v = 0;
    switch (ReadNumber(argv[0], v)) {
    case Read::Null:
        return sqlite3_result_error(ctx, "Invalid use of Null", -1);
    case Read::Bad:
        return sqlite3_result_error(ctx, kTypeMismatch, -1);
    case Read::Ok:
        break;
    }
    sqlite3_result_double(ctx, v);
}

void JetCStr(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL:
        return sqlite3_result_error(ctx, "Invalid use of Null", -1);
    case SQLITE_FLOAT: {
        // VBA writes 2 for 2.0 and up to 15 significant digits.
        char buffer[40];
        std::snprintf(buffer, sizeof buffer, "%.15g", sqlite3_value_double(argv[0]));
        return sqlite3_result_text(ctx, buffer, -1, SQLITE_TRANSIENT);
    }
    default:
        sqlite3_result_text(ctx, reinterpret_cast<const char*>(sqlite3_value_text(argv[0])),
            sqlite3_value_bytes(argv[0]), SQLITE_TRANSIENT);
    }
}

// Val: the number at the start of the text, 0 when there is none; blanks
// anywhere are skipped, as VBA does.
void JetVal(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_error(ctx, "Invalid use of Null", -1);
    const unsigned char* p = sqlite3_value_text(argv[0]);
    const int n = sqlite3_value_bytes(argv[0]);
    std::string compact;
    for (int i = 0; i < n && compact.size() < 64; ++i) {
        if (p[i] != ' ' && p[i] != '\t' && p[i] != '\n' && p[i] != '\r')
            compact.push_back(static_cast<char>(p[i]));
    }
    char* end = nullptr;
    const double v = std::strtod(compact.c_str(), &end);
    if (end == compact.c_str() || !std::isfinite(v)
        || compact.find_first_of("xXpP") < static_cast<std::size_t>(end - compact.c_str()))
        return sqlite3_result_int(ctx, 0);
    sqlite3_result_double(ctx, v);
}

// --- aggregates

struct ValueHolder {
    sqlite3_value* value;
    bool seen;
};

template <bool Last> void FirstLastStep(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    auto* holder = static_cast<ValueHolder*>(sqlite3_aggregate_context(ctx, sizeof(ValueHolder)));
    if (holder == nullptr)
        return sqlite3_result_error_nomem(ctx);
    if (holder->seen && !Last)
        return;
    sqlite3_value_free(holder->value);
    holder->value = sqlite3_value_dup(argv[0]);
    holder->seen = true;
}

void FirstLastFinal(sqlite3_context* ctx)
{
    auto* holder = static_cast<ValueHolder*>(sqlite3_aggregate_context(ctx, 0));
    if (holder == nullptr || holder->value == nullptr)
        return sqlite3_result_null(ctx);
    sqlite3_result_value(ctx, holder->value);
    sqlite3_value_free(holder->value);
    holder->value = nullptr;
}

struct Moments {
    sqlite3_int64 count;
    double mean;
    double m2;
};

void MomentsStep(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    double v = 0;
    if (ReadNumber(argv[0], v) != Read::Ok)
        return;
    auto* m = static_cast<Moments*>(sqlite3_aggregate_context(ctx, sizeof(Moments)));
    if (m == nullptr)
        return sqlite3_result_error_nomem(ctx);
    ++m->count;
    const double delta = v - m->mean;
    m->mean += delta / static_cast<double>(m->count);
    m->m2 += delta * (v - m->mean);
}

template <bool Sample, bool Root> void MomentsFinal(sqlite3_context* ctx)
{
    auto* m = static_cast<Moments*>(sqlite3_aggregate_context(ctx, 0));
    const sqlite3_int64 divisor = m == nullptr ? 0 : (Sample ? m->count - 1 : m->count);
    if (divisor <= 0)
        return sqlite3_result_null(ctx);
    const double variance = m->m2 / static_cast<double>(divisor);
    sqlite3_result_double(ctx, Root ? std::sqrt(variance) : variance);
}

struct ScalarFunction {
    const char* name;
    int args;
    bool deterministic;
    void (*function)(sqlite3_context*, int, sqlite3_value**);
};

} // namespace

void RegisterFunctions(sqlite3* db)
{
    static const ScalarFunction scalars[] = {
        { "jet_now", 0, false, JetNow },
        { "jet_date", 0, false, JetDate },
        { "jet_time", 0, false, JetTime },
        // The one-argument forms read the clock once per statement run, so
        // they may be called deterministic: SQLite then computes Year(Now())
        // and the like once per run instead of once per row.
        { "jet_now", 1, true, JetNow },
        { "jet_date", 1, true, JetDate },
        { "jet_time", 1, true, JetTime },
        { "jet_datediff", 3, true, JetDateDiff },
        { "jet_datediff", 4, true, JetDateDiff },
        { "jet_datediff", 5, true, JetDateDiff },
        { "jet_dateadd", 3, true, JetDateAdd },
        { "jet_datepart", 2, true, JetDatePart },
        { "jet_datepart", 3, true, JetDatePart },
        { "jet_datepart", 4, true, JetDatePart },
        { "jet_dateserial", 3, true, JetDateSerial },
        { "jet_timeserial", 3, true, JetTimeSerial },
        { "jet_cdate", 1, true, JetDateConvert<0> },
        { "jet_datevalue", 1, true, JetDateConvert<1> },
        { "jet_timevalue", 1, true, JetDateConvert<2> },
        { "jet_year", 1, true, JetDateField<&CivilDateTime::year> },
        { "jet_month", 1, true, JetDateField<&CivilDateTime::month> },
        { "jet_day", 1, true, JetDateField<&CivilDateTime::day> },
        { "jet_hour", 1, true, JetDateField<&CivilDateTime::hour> },
        { "jet_minute", 1, true, JetDateField<&CivilDateTime::minute> },
        { "jet_second", 1, true, JetDateField<&CivilDateTime::second> },
        { "jet_weekday", 1, true, JetWeekday },
        { "jet_weekday", 2, true, JetWeekday },
        { "jet_right", 2, true, JetRight },
        { "jet_ucase", 1, true, JetChangeCase<true> },
        { "jet_lcase", 1, true, JetChangeCase<false> },
        { "jet_instr", 2, true, JetInStr },
        { "jet_instr", 3, true, JetInStr },
        { "jet_space", 1, true, JetSpace },
        { "jet_like", 2, true, JetLike },
        { "jet_concat", 2, true, JetConcat },
        { "jet_int", 1, true, JetWhole<0> },
        { "jet_fix", 1, true, JetWhole<1> },
        { "jet_sgn", 1, true, JetSgn },
        { "jet_sqr", 1, true, JetSqr },
        { "jet_power", 2, true, JetPower },
        { "jet_add", 2, true, JetAdd },
        { "jet_subtract", 2, true, JetSubtract },
        { "jet_round", 1, true, JetRound },
        { "jet_round", 2, true, JetRound },
        { "jet_clng", 1, true, JetCLng },
        { "jet_cdbl", 1, true, JetCDbl },
        { "jet_cstr", 1, true, JetCStr },
        { "jet_val", 1, true, JetVal },
    };
    for (const ScalarFunction& f : scalars) {
        const int flags = SQLITE_UTF8 | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
        sqlite3_create_function_v2(db, f.name, f.args, flags, nullptr, f.function, nullptr, nullptr, nullptr);
    }
    const int aggregateFlags = SQLITE_UTF8;
    sqlite3_create_function_v2(
        db, "jet_first", 1, aggregateFlags, nullptr, nullptr, FirstLastStep<false>, FirstLastFinal, nullptr);
    sqlite3_create_function_v2(
        db, "jet_last", 1, aggregateFlags, nullptr, nullptr, FirstLastStep<true>, FirstLastFinal, nullptr);
    sqlite3_create_function_v2(
        db, "jet_stdev", 1, aggregateFlags, nullptr, nullptr, MomentsStep, MomentsFinal<true, true>, nullptr);
    sqlite3_create_function_v2(
        db, "jet_stdevp", 1, aggregateFlags, nullptr, nullptr, MomentsStep, MomentsFinal<false, true>, nullptr);
    sqlite3_create_function_v2(
        db, "jet_var", 1, aggregateFlags, nullptr, nullptr, MomentsStep, MomentsFinal<true, false>, nullptr);
    sqlite3_create_function_v2(
        db, "jet_varp", 1, aggregateFlags, nullptr, nullptr, MomentsStep, MomentsFinal<false, false>, nullptr);
    // Only the translated statements name this collation; the schema never
    // does, so the sqlite3 shell and other tools read and write the file
    // with SQLite's own NOCASE, and their indexes never meet this order.
    sqlite3_create_collation_v2(db, "jet_text", SQLITE_UTF8, nullptr, CompareText, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
}

std::string TextKey(const QByteArray& utf8)
{
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.constData());
    const int n = int(utf8.size());
    std::string key;
    key.reserve(std::size_t(n));
    // The code points as the collation folds them, written back out as
    // UTF-8: equal keys mean equal folded code points.
    for (const char32_t c : Decode(p, n)) {
        if (c < 0x80) {
            key.push_back(char(c));
        } else if (c < 0x800) {
            key.push_back(char(0xC0 | (c >> 6)));
            key.push_back(char(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            key.push_back(char(0xE0 | (c >> 12)));
            key.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            key.push_back(char(0x80 | (c & 0x3F)));
        } else {
            key.push_back(char(0xF0 | (c >> 18)));
            key.push_back(char(0x80 | ((c >> 12) & 0x3F)));
            key.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            key.push_back(char(0x80 | (c & 0x3F)));
        }
    }
    return key;
}

} // namespace engine::jetsql
