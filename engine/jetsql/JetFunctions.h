// Private to the engine: the calendar arithmetic behind Jet's date literals
// and date functions. Dates reach the SQL functions as the stored text
// "YYYY-MM-DD HH:MM:SS", as a bare "YYYY-MM-DD" (files written by other
// tools), or as an OLE date number, once per row over whole tables, so the
// text is read straight from SQLite's UTF-8 bytes without building strings.
// Day numbers count from 30 December 1899, OLE's day 0, on the proleptic
// Gregorian calendar.
#pragma once

#include <cstddef>
#include <cstdint>

namespace engine::jetsql::dates {

struct CivilDateTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The stored form is exactly this many characters.
constexpr int kStoredLength = 19;
// OLE's range: 1 January 100 to 31 December 9999.
constexpr std::int64_t kMinDayNumber = -657434;
constexpr std::int64_t kMaxDayNumber = 2958465;

// Reads "YYYY-MM-DD[ HH:MM[:SS[.fff]]]" (also with 'T' or '/'), US
// "M/D/YYYY" and "M/D/YY" (day and month swapped when the first is over 12,
// as Jet does), "17-May-2010", "May 17, 2010", a time alone (on 30 December
// 1899), and a time with AM/PM. Leading and trailing blanks are ignored.
// False for anything else or for a day that does not exist.
bool ParseDateText(const char* text, std::size_t length, CivilDateTime& out);

bool IsValidDate(int year, int month, int day);
int DaysInMonth(int year, int month);
std::int64_t DayNumber(int year, int month, int day);
void CivilFromDayNumber(std::int64_t dayNumber, int& year, int& month, int& day);
// 1 = Sunday ... 7 = Saturday.
int WeekdayOfDayNumber(std::int64_t dayNumber);

// Seconds since 30 December 1899 00:00:00, a line without OLE's odd
// negative encoding, for differences and additions.
std::int64_t LinearSeconds(const CivilDateTime& value);
// False when the result lies outside OLE's range.
bool FromLinearSeconds(std::int64_t seconds, CivilDateTime& out);

// OLE date numbers: the day before the point, the time of day after it
// (also for negative numbers: -1.25 is 29 December 1899 06:00).
bool FromOleDate(double oleDate, CivilDateTime& out);
double ToOleDate(const CivilDateTime& value);

// Writes the stored form and a terminating NUL into buffer (20 bytes).
void FormatStored(const CivilDateTime& value, char* buffer);

} // namespace engine::jetsql::dates
