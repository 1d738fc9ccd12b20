// Fuzzes the two readers of date texts: the SQL functions' byte reader and
// platform::OleDateTime::Parse. Whatever either accepts must be a real day
// and time that survives a round trip through the stored form, the line of
// seconds and the OLE number, and the stored form of one must read the same
// in the other. Eight-byte inputs are also taken as OLE numbers.
#include "engine/jetsql/JetFunctions.h"
#include "platform/OleDateTime.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using engine::jetsql::dates::CivilDateTime;

bool Same(const CivilDateTime& a, const CivilDateTime& b)
{
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour && a.minute == b.minute
        && a.second == b.second;
}

[[noreturn]] void Fail(const char* what, const CivilDateTime& d)
{
    std::fprintf(
        stderr, "%s: %04d-%02d-%02d %02d:%02d:%02d\n", what, d.year, d.month, d.day, d.hour, d.minute, d.second);
    std::abort();
}

void CheckRoundTrips(const CivilDateTime& d)
{
    namespace dates = engine::jetsql::dates;
    if (!dates::IsValidDate(d.year, d.month, d.day) || d.hour < 0 || d.hour > 23 || d.minute < 0 || d.minute > 59
        || d.second < 0 || d.second > 59)
        Fail("accepted a day or time that does not exist", d);
    char stored[dates::kStoredLength + 1];
    dates::FormatStored(d, stored);
    CivilDateTime again;
    if (!dates::ParseDateText(stored, dates::kStoredLength, again) || !Same(d, again))
        Fail("stored form does not read back", d);
    if (!dates::FromLinearSeconds(dates::LinearSeconds(d), again) || !Same(d, again))
        if (d.year >= 100)
            Fail("seconds do not read back", d);
    if (d.year >= 100 && (!dates::FromOleDate(dates::ToOleDate(d), again) || !Same(d, again)))
        Fail("OLE number does not read back", d);
    // The platform reads the stored form as the same moment.
    const auto platformDate = platform::OleDateTime::Parse(QString::fromLatin1(stored));
    if (d.year >= 100
        && (!platformDate || platformDate->GetYear() != d.year || platformDate->GetMonth() != d.month
            || platformDate->GetDay() != d.day || platformDate->GetHour() != d.hour
            || platformDate->GetMinute() != d.minute || platformDate->GetSecond() != d.second))
        Fail("the platform reads the stored form differently", d);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    namespace dates = engine::jetsql::dates;
    if (size > 256)
        return 0;
    CivilDateTime d;
    if (dates::ParseDateText(reinterpret_cast<const char*>(data), size, d))
        CheckRoundTrips(d);

    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (const auto parsed = platform::OleDateTime::Parse(text)) {
        if (parsed->GetStatus() == platform::OleDateTime::valid) {
            const QByteArray stored = parsed->ToStorageText().toLatin1();
            CivilDateTime mine;
            if (!dates::ParseDateText(stored.constData(), static_cast<std::size_t>(stored.size()), mine)) {
                std::fprintf(stderr, "platform's stored form '%s' is no date here\n", stored.constData());
                std::abort();
            }
            CheckRoundTrips(mine);
        }
    }

    if (size == sizeof(double)) {
        double ole = 0;
        std::memcpy(&ole, data, sizeof ole);
        if (dates::FromOleDate(ole, d)) {
            CheckRoundTrips(d);
            const platform::OleDateTime platformDate(ole);
            if (platformDate.GetStatus() == platform::OleDateTime::valid
                && (platformDate.GetYear() != d.year || platformDate.GetMonth() != d.month
                    || platformDate.GetDay() != d.day || platformDate.GetHour() != d.hour
                    || platformDate.GetMinute() != d.minute || platformDate.GetSecond() != d.second))
                Fail("the platform splits this OLE number differently", d);
        }
    }
    return 0;
}
