// The program's clock: the system's local time, or a time fixed by a test.
#include "platform/Clock.h"

#include <optional>

namespace platform {

namespace {
std::optional<QDateTime>& Fixed()
{
    static std::optional<QDateTime> fixed;
    return fixed;
}
}  // namespace

QDateTime Clock::Now()
{
    if (Fixed())
        return *Fixed();
    QDateTime now = QDateTime::currentDateTime();
    return now.addMSecs(-now.time().msec());
}

void Clock::SetFixed(const QDateTime& localTime) { Fixed() = localTime; }

void Clock::Advance(qint64 seconds)
{
    if (Fixed())
        Fixed() = Fixed()->addSecs(seconds);
}

void Clock::Reset() { Fixed().reset(); }

bool Clock::IsFixed() { return Fixed().has_value(); }

}  // namespace platform
