// Private to the engine: dates between their stored text ("YYYY-MM-DD
// HH:MM:SS", the form Jet's dates take in the data file) and OLE Automation
// dates (days since 30 December 1899, the time of day as the fraction).
// These run once per date value a snapshot hands out, so they parse the
// bytes directly instead of building Qt date objects.
#pragma once

#include <QByteArray>
#include <cstddef>
#include <optional>

namespace engine::datetext {

// "YYYY-MM-DD", "YYYY-MM-DD HH:MM[:SS[.fff]]" (or with 'T'), "YYYY/MM/DD"
// and "MM/DD/YYYY", each optionally with a time; years 100 to 9999.
// Absent for anything else, including impossible days such as 2010-02-30.
std::optional<double> Parse(const char* text, std::size_t length);
inline std::optional<double> Parse(const QByteArray& text)
{
    return Parse(text.constData(), std::size_t(text.size()));
}

// The stored form of an OLE date, to the nearest second; absent outside
// years 100 to 9999.
std::optional<QByteArray> ToStorage(double oleDate);

// An OLE date from calendar fields (which must be valid).
double FromParts(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

} // namespace engine::datetext
