// The runtime library's number-to-text conversions as the access layer
// uses them. The integer forms follow the Windows runtime (_itoa and
// friends); the real form follows this platform's gcvt, which writes
// printf's "%.*g" with at most 17 significant digits. std::to_chars is used
// instead of gcvt itself because it never looks at the locale: the program
// runs under the user's locale, and a decimal comma must not appear.
#include "platform/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace platform {

namespace {

// gcvt's cap on significant digits for a double.
constexpr int kGcvtMaxDigits = 17;

QString UnsignedText(std::uint32_t value, int radix)
{
    if (radix < 2 || radix > 36)
        return {};
    char buf[33];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, radix);
    if (ec != std::errc())
        return {};
    return QString::fromLatin1(buf, end - buf);
}

QString SignedText(std::int32_t value, int radix)
{
    // Only radix 10 writes a sign; other radixes show the two's complement.
    if (radix == 10 && value < 0)
        return QLatin1Char('-') + UnsignedText(0u - static_cast<std::uint32_t>(value), radix);
    return UnsignedText(static_cast<std::uint32_t>(value), radix);
}

} // namespace

QString Itoa(int value, int radix)
{
    return SignedText(value, radix);
}

QString Ltoa(std::int32_t value, int radix)
{
    return SignedText(value, radix);
}

QString Ultoa(std::uint32_t value, int radix)
{
    return UnsignedText(value, radix);
}

QString Gcvt(double value, int digits)
{
    const int precision = std::clamp(digits, 1, kGcvtMaxDigits);
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, precision);
    if (ec != std::errc())
        return {};
    return QString::fromLatin1(buf, end - buf);
}

double DecimalToDouble(const DECIMAL& d)
{
    const double magnitude = static_cast<double>(static_cast<std::uint32_t>(d.Lo64 & 0xFFFFFFFFu));
    const double sign = d.sign == 0x80 ? -1.0 : 1.0;
    return sign * magnitude / std::pow(10.0, d.scale);
}

int Wtoi(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == QLatin1Char(' ') || (text[i] >= QLatin1Char('\t') && text[i] <= QLatin1Char('\r'))))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    constexpr std::int64_t kLimit = static_cast<std::int64_t>(std::numeric_limits<int>::max()) + 1;
    std::int64_t value = 0;
    while (i < n && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9')) {
        value = std::min<std::int64_t>(value * 10 + (text[i].unicode() - '0'), kLimit);
        ++i;
    }
    if (negative)
        return static_cast<int>(-value);
    return static_cast<int>(std::min<std::int64_t>(value, std::numeric_limits<int>::max()));
}

} // namespace platform
