// The one clock of the program. Backup names, answer dates, the SQL
// functions Now() and Date(), and the data file's date defaults all read
// it, so that tests can fix the time instead of depending on the hour at
// which they run.
#pragma once

#include <QDateTime>

namespace platform {

class Clock {
public:
    // Local date and time, to the second.
    static QDateTime Now();
    // Fixes the clock at a local date and time until Reset().
    static void SetFixed(const QDateTime& localTime);
    // Moves a fixed clock on (tests' "the next day").
    static void Advance(qint64 seconds);
    static void Reset();
    static bool IsFixed();
};

}  // namespace platform
