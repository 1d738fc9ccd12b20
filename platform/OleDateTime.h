// COleDateTime's stand-in: an OLE Automation date (days since 30 December
// 1899, the time of day as the fraction) with a valid/invalid/null status,
// broken into calendar fields and formatted with strftime-style codes.
#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace platform {

class OleDateTime {
public:
    enum DateTimeStatus { valid = 0, invalid = 1, null = 2 };

    OleDateTime() = default;  // 0.0 (30 Dec 1899 00:00:00), valid
    // Valid when the day count lies in 1 January 100 .. 31 December 9999.
    explicit OleDateTime(double oleDate);
    OleDateTime(int year, int month, int day, int hour, int minute, int second);
    static OleDateTime FromQDateTime(const QDateTime& local);

    double m_dt = 0.0;
    DateTimeStatus m_status = valid;

    DateTimeStatus GetStatus() const { return m_status; }
    void SetStatus(DateTimeStatus s) { m_status = s; }
    // Sets the date and time; an out-of-range field makes the status invalid.
    int SetDateTime(int year, int month, int day, int hour, int minute, int second);

    // The calendar fields, each -1 when the date is not valid (as
    // COleDateTime's AFX_OLE_DATETIME_ERROR).
    int GetYear() const;
    int GetMonth() const;
    int GetDay() const;
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;
    int GetDayOfWeek() const;  // 1 = Sunday
    int GetDayOfYear() const;  // 1 = 1 January
    QDateTime ToQDateTime() const;

    // strftime-style codes (%Y %m %d %H %M %S %y %b %B %a %A %p %I %j %%
    // ...). An invalid date formats as "Invalid DateTime", a null one as "".
    QString Format(const QString& format) const;

    // Parses "YYYY-MM-DD", "YYYY-MM-DD HH:MM[:SS]", "YYYY-MM-DDTHH:MM:SS",
    // "YYYY/MM/DD", "MM/DD/YYYY" and the same with a time; absent when the
    // text is no date.
    static std::optional<OleDateTime> Parse(const QString& text);
    // The engine's stored form: "YYYY-MM-DD HH:MM:SS"; empty when the date
    // is not valid.
    QString ToStorageText() const;
};

}  // namespace platform
