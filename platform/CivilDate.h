// The one calendar of the program: day numbers and civil dates on the
// proleptic Gregorian calendar (H. Hinnant's days_from_civil and
// civil_from_days). Day 0 is 30 December 1899, OLE Automation's day 0, so
// that an OLE date's whole part is its day number. Years are not limited to
// OLE's range here; callers that need the range check it.
#pragma once

#include <cstdint>

namespace platform {

struct CivilDate {
    std::int64_t year = 1899;
    int month = 12;
    int day = 30;
};

// Days from 30 December 1899 to the given date (month 1 to 12, day 1 to 31).
constexpr std::int64_t DayNumberFromCivil(std::int64_t year, int month, int day)
{
    const auto m = static_cast<unsigned>(month);
    const auto d = static_cast<unsigned>(day);
    year -= m <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yoe = static_cast<unsigned>(year - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    // 693899 = days from 1 March of year 0 to 30 December 1899.
    return era * 146097 + static_cast<std::int64_t>(doe) - 693899;
}

constexpr CivilDate CivilFromDayNumber(std::int64_t dayNumber)
{
    const std::int64_t z = dayNumber + 693899;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const auto month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return { static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2), month,
        static_cast<int>(doy - (153 * mp + 2) / 5 + 1) };
}

static_assert(DayNumberFromCivil(1899, 12, 30) == 0);
static_assert(DayNumberFromCivil(1970, 1, 1) == 25569);
static_assert(DayNumberFromCivil(100, 1, 1) == -657434);
static_assert(DayNumberFromCivil(9999, 12, 31) == 2958465);
static_assert(CivilFromDayNumber(60).month == 2 && CivilFromDayNumber(60).day == 28);
static_assert(CivilFromDayNumber(-1).year == 1899 && CivilFromDayNumber(-1).day == 29);

} // namespace platform
