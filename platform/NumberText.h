// The C runtime's number-to-text functions with their Windows output:
// _itoa, _ltoa, _ultoa (radix 2..36, lower-case digits, a minus sign only in
// radix 10) and _gcvt, which writes as this platform's gcvt does: general
// format with the given significant digits ("2.5", "70000", "1e+20").
// Also the decimal value rule of the access layer, and _wtoi.
#pragma once

#include "platform/Variant.h"

#include <QString>
#include <cstdint>

namespace platform {

QString Itoa(int value, int radix = 10);
QString Ltoa(std::int32_t value, int radix = 10);
QString Ultoa(std::uint32_t value, int radix = 10);
QString Gcvt(double value, int digits);

// The low 32 bits of the mantissa, negated when sign is 0x80, divided by
// 10 to the power of the scale; the upper 64 bits are not used.
double DecimalToDouble(const DECIMAL& d);

// _wtoi: optional white space and sign, then digits up to the first
// non-digit; no digits gives 0; out of range saturates.
int Wtoi(const QString& text);

}  // namespace platform
