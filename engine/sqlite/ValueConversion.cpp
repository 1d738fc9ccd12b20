// Field value conversions. Decoding runs for every value a caller reads, so
// it works on the stored bytes in place and builds a QString only for text
// fields. Encoding follows Jet's rules: numbers are range-checked against
// the field's width and rounded half to even (as VBA's CLng), text that is
// a number goes into number fields, text that is a date into date fields,
// and anything else is refused.
#include "engine/sqlite/ValueConversion.h"

#include "engine/common/AdoEnums.h"
#include "engine/sqlite/DateText.h"
#include "engine/sqlite/SqliteError.h"
#include "platform/OleDateTime.h"

#include <QLocale>
#include <cmath>
#include <limits>
#include <optional>

namespace engine {

using platform::Variant;

namespace {

constexpr std::int64_t kCurrencyScale = 10000;

bool IsIntegerVt(platform::VARTYPE vt)
{
    switch (vt) {
    case platform::VT_I1:
    case platform::VT_I2:
    case platform::VT_I4:
    case platform::VT_INT:
    case platform::VT_I8:
    case platform::VT_UI1:
    case platform::VT_UI2:
    case platform::VT_UI4:
    case platform::VT_UINT:
    case platform::VT_UI8:
        return true;
    default:
        return false;
    }
}

std::int64_t IntegerOf(const Variant& v)
{
    switch (v.vt()) {
    case platform::VT_I1:
        return v.cVal();
    case platform::VT_I2:
        return v.iVal();
    case platform::VT_I4:
    case platform::VT_INT:
        return v.lVal();
    case platform::VT_I8:
        return v.llVal();
    case platform::VT_UI1:
        return v.bVal();
    case platform::VT_UI2:
        return v.uiVal();
    case platform::VT_UI4:
    case platform::VT_UINT:
        return v.ulVal();
    case platform::VT_UI8:
        return static_cast<std::int64_t>(v.ullVal());
    default:
        return 0;
    }
}

// 96-bit decimal <-> double and text.
double DecimalValue(const platform::DECIMAL& d)
{
    const long double mantissa = static_cast<long double>(d.Hi32) * 18446744073709551616.0L + d.Lo64;
    long double value = mantissa / std::pow(10.0L, d.scale);
    return static_cast<double>(d.sign & 0x80 ? -value : value);
}

std::optional<platform::DECIMAL> DecimalFromText(QByteArray text)
{
    text = text.trimmed();
    platform::DECIMAL d;
    int i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        if (text[i] == '-')
            d.sign = 0x80;
        ++i;
    }
    unsigned __int128 mantissa = 0;
    bool digits = false, point = false;
    const unsigned __int128 limit = (static_cast<unsigned __int128>(1) << 96) - 1;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9')
            return std::nullopt;
        digits = true;
        if (mantissa * 10 + unsigned(c - '0') > limit || d.scale >= 28) {
            if (point)
                break; // further fraction digits are dropped
            return std::nullopt;
        }
        mantissa = mantissa * 10 + unsigned(c - '0');
        if (point)
            ++d.scale;
    }
    if (!digits)
        return std::nullopt;
    d.Lo64 = static_cast<std::uint64_t>(mantissa);
    d.Hi32 = static_cast<std::uint32_t>(mantissa >> 64);
    return d;
}

QByteArray DecimalText(const platform::DECIMAL& d)
{
    unsigned __int128 mantissa = (static_cast<unsigned __int128>(d.Hi32) << 64) | d.Lo64;
    QByteArray digits;
    do {
        digits.prepend(char('0' + int(mantissa % 10)));
        mantissa /= 10;
    } while (mantissa != 0);
    while (digits.size() <= d.scale)
        digits.prepend('0');
    if (d.scale > 0)
        digits.insert(digits.size() - d.scale, '.');
    if (d.sign & 0x80)
        digits.prepend('-');
    return digits;
}

std::optional<double> NumberFromText(const QByteArray& text)
{
    const QByteArray t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double d = t.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return std::nullopt;
    return d;
}

std::optional<std::int64_t> IntegerFromText(const QByteArray& text)
{
    bool ok = false;
    const qlonglong v = text.trimmed().toLongLong(&ok);
    return ok ? std::optional<std::int64_t>(v) : std::nullopt;
}

Variant Text(const StoredRef& v)
{
    return Variant::FromBstr(QString::fromUtf8(v.data, qsizetype(v.size)));
}
Variant Bytes(const StoredRef& v)
{
    return Variant::FromBytes(QByteArray(v.data, qsizetype(v.size)));
}

// A stored number of any kind as a double; absent for text that is no number.
std::optional<double> StoredNumber(const StoredRef& v)
{
    switch (v.kind) {
    case StoredValue::Integer:
        return double(v.integer);
    case StoredValue::Real:
        return v.real;
    case StoredValue::Text:
        return NumberFromText(QByteArray::fromRawData(v.data, qsizetype(v.size)));
    default:
        return std::nullopt;
    }
}

Variant IntegerVariant(const StoredRef& v, long adoType)
{
    std::int64_t value = 0;
    if (v.kind == StoredValue::Integer) {
        value = v.integer;
    } else {
        const std::optional<double> d = StoredNumber(v);
        if (!d)
            return v.kind == StoredValue::Blob ? Bytes(v) : Text(v);
        if (*d != std::floor(*d) || std::fabs(*d) > 9.2e18)
            return Variant::FromR8(*d);
        value = static_cast<std::int64_t>(*d);
    }
    switch (adoType) {
    case adSmallInt:
        if (value >= std::numeric_limits<std::int16_t>::min() && value <= std::numeric_limits<std::int16_t>::max())
            return Variant::FromI2(std::int16_t(value));
        break;
    case adTinyInt:
        if (value >= -128 && value <= 127)
            return Variant::FromI1(std::int8_t(value));
        break;
    case adUnsignedTinyInt:
        if (value >= 0 && value <= 255)
            return Variant::FromUI1(std::uint8_t(value));
        break;
    case adUnsignedSmallInt:
        if (value >= 0 && value <= 65535)
            return Variant::FromUI2(std::uint16_t(value));
        break;
    case adUnsignedInt:
        if (value >= 0 && value <= 4294967295LL)
            return Variant::FromUI4(std::uint32_t(value));
        break;
    case adBigInt:
        return Variant::FromI8(value);
    case adUnsignedBigInt:
        // The field's values keep their 64 bits in SQLite's signed integer.
        return Variant::FromUI8(static_cast<std::uint64_t>(value));
    default:
        break;
    }
    if (value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max())
        return Variant::FromI4(std::int32_t(value));
    return Variant::FromI8(value);
}

[[noreturn]] void CannotConvert(const Variant& value, const QString& fieldName, const char* typeName)
{
    const QString shown
        = value.vt() == platform::VT_BSTR ? QStringLiteral("'%1'").arg(value.bstrVal().left(60)) : value.DebugString();
    ThrowJet(platform::DB_E_CANTCONVERTVALUE,
        QStringLiteral("The value %1 cannot be put into the field '%2': it is not %3.")
            .arg(shown, fieldName, QLatin1String(typeName)));
}

[[noreturn]] void OutOfRange(double value, const QString& fieldName, const char* typeName)
{
    ThrowJet(platform::DB_E_DATAOVERFLOW,
        QStringLiteral("The value %1 is out of range for the field '%2' (%3).")
            .arg(QString::number(value, 'g', 17), fieldName, QLatin1String(typeName)));
}

// The numeric content of a value put into a number, currency, date or
// boolean field; absent when it has none.
std::optional<double> NumericOf(const Variant& v)
{
    if (IsIntegerVt(v.vt()))
        return double(IntegerOf(v));
    switch (v.vt()) {
    case platform::VT_R4:
        return double(v.fltVal());
    case platform::VT_R8:
    case platform::VT_DATE:
        return v.dblVal();
    case platform::VT_CY:
        return double(v.cyVal()) / kCurrencyScale;
    case platform::VT_BOOL:
        return v.boolVal() ? -1.0 : 0.0;
    case platform::VT_DECIMAL:
        return DecimalValue(v.decVal());
    case platform::VT_BSTR:
        return NumberFromText(v.bstrVal().toUtf8());
    default:
        return std::nullopt;
    }
}

// An unsigned 64-bit field holds 0 to 18446744073709551615; the upper half
// of that range is stored as the signed integer with the same bits.
StoredValue UnsignedBigForField(const Variant& v, const QString& fieldName)
{
    if (v.vt() == platform::VT_UI8)
        return StoredValue::MakeInteger(static_cast<std::int64_t>(v.ullVal()));
    if (IsIntegerVt(v.vt())) {
        if (IntegerOf(v) < 0)
            OutOfRange(double(IntegerOf(v)), fieldName, "Unsigned Big Integer");
        return StoredValue::MakeInteger(IntegerOf(v));
    }
    if (v.vt() == platform::VT_BSTR) {
        bool ok = false;
        const qulonglong u = v.bstrVal().trimmed().toULongLong(&ok, 10);
        if (ok)
            return StoredValue::MakeInteger(static_cast<std::int64_t>(u));
    }
    const std::optional<double> d = NumericOf(v);
    if (!d)
        CannotConvert(v, fieldName, "a number");
    const double rounded = std::nearbyint(*d);
    if (!(rounded >= 0 && rounded < 18446744073709551616.0))
        OutOfRange(*d, fieldName, "Unsigned Big Integer");
    return StoredValue::MakeInteger(static_cast<std::int64_t>(static_cast<std::uint64_t>(rounded)));
}

StoredValue IntegerForField(const Variant& v, long adoType, const QString& fieldName)
{
    if (adoType == adUnsignedBigInt)
        return UnsignedBigForField(v, fieldName);
    std::int64_t value = 0;
    if (IsIntegerVt(v.vt()) && v.vt() != platform::VT_UI8) {
        value = IntegerOf(v);
    } else if (v.vt() == platform::VT_BSTR && IntegerFromText(v.bstrVal().toUtf8())) {
        value = *IntegerFromText(v.bstrVal().toUtf8());
    } else {
        const std::optional<double> d = NumericOf(v);
        if (!d)
            CannotConvert(v, fieldName, "a number");
        const double rounded = std::nearbyint(*d);
        if (rounded < -9.2e18 || rounded > 9.2e18)
            OutOfRange(*d, fieldName, "Number");
        value = static_cast<std::int64_t>(rounded);
    }
    std::int64_t low = std::numeric_limits<std::int32_t>::min(), high = std::numeric_limits<std::int32_t>::max();
    const char* name = "Long Integer";
    switch (adoType) {
    case adSmallInt:
        low = -32768, high = 32767, name = "Integer";
        break;
    case adTinyInt:
        low = -128, high = 127, name = "Tiny Integer";
        break;
    case adUnsignedTinyInt:
        low = 0, high = 255, name = "Byte";
        break;
    case adUnsignedSmallInt:
        low = 0, high = 65535, name = "Unsigned Integer";
        break;
    case adUnsignedInt:
        low = 0, high = 4294967295LL, name = "Unsigned Long Integer";
        break;
    case adBigInt:
    case adUnsignedBigInt:
        low = std::numeric_limits<std::int64_t>::min(), high = std::numeric_limits<std::int64_t>::max(),
        name = "Big Integer";
        break;
    default:
        break;
    }
    if (value < low || value > high)
        OutOfRange(double(value), fieldName, name);
    return StoredValue::MakeInteger(value);
}

StoredValue DateForField(const Variant& v, const QString& fieldName)
{
    std::optional<double> date;
    if (v.vt() == platform::VT_BSTR) {
        const QByteArray text = v.bstrVal().toUtf8();
        date = datetext::Parse(text);
        if (!date) {
            if (const std::optional<platform::OleDateTime> parsed = platform::OleDateTime::Parse(v.bstrVal()))
                date = parsed->m_dt;
        }
        if (!date)
            CannotConvert(v, fieldName, "a date");
    } else {
        date = NumericOf(v);
        if (!date || v.vt() == platform::VT_BOOL)
            CannotConvert(v, fieldName, "a date");
    }
    const std::optional<QByteArray> stored = datetext::ToStorage(*date);
    if (!stored)
        OutOfRange(*date, fieldName, "Date/Time");
    return StoredValue::MakeText(*stored);
}

StoredValue BooleanForField(const Variant& v, const QString& fieldName)
{
    if (v.vt() == platform::VT_BSTR) {
        const QString t = v.bstrVal().trimmed();
        for (const char* yes : { "true", "yes", "on" })
            if (t.compare(QLatin1String(yes), Qt::CaseInsensitive) == 0)
                return StoredValue::MakeInteger(-1);
        for (const char* no : { "false", "no", "off" })
            if (t.compare(QLatin1String(no), Qt::CaseInsensitive) == 0)
                return StoredValue::MakeInteger(0);
    }
    const std::optional<double> d = NumericOf(v);
    if (!d)
        CannotConvert(v, fieldName, "Yes/No");
    return StoredValue::MakeInteger(*d != 0 ? -1 : 0);
}

} // namespace

bool IsTextType(long t)
{
    switch (t) {
    case adBSTR:
    case adChar:
    case adWChar:
    case adVarChar:
    case adVarWChar:
    case adLongVarChar:
    case adLongVarWChar:
    case adGUID:
        return true;
    default:
        return false;
    }
}

bool IsBinaryType(long t)
{
    return t == adBinary || t == adVarBinary || t == adLongVarBinary;
}
bool IsLongType(long t)
{
    return t == adLongVarChar || t == adLongVarWChar || t == adLongVarBinary;
}

Variant VariantFromStored(const StoredRef& v, long adoType)
{
    if (v.kind == StoredValue::Null)
        return Variant::Null();
    switch (adoType) {
    case adInteger:
    case adSmallInt:
    case adTinyInt:
    case adUnsignedTinyInt:
    case adUnsignedSmallInt:
    case adUnsignedInt:
    case adBigInt:
    case adUnsignedBigInt:
        return IntegerVariant(v, adoType);
    case adSingle:
    case adDouble: {
        const std::optional<double> d = StoredNumber(v);
        if (!d)
            return v.kind == StoredValue::Blob ? Bytes(v) : Text(v);
        return adoType == adSingle ? Variant::FromR4(float(*d)) : Variant::FromR8(*d);
    }
    case adCurrency: {
        if (v.kind == StoredValue::Integer)
            return Variant::FromCy(v.integer * kCurrencyScale);
        if (v.kind == StoredValue::Text) {
            if (const auto dec = DecimalFromText(QByteArray(v.data, qsizetype(v.size))))
                return Variant::FromCy(std::llround(DecimalValue(*dec) * kCurrencyScale));
            return Text(v);
        }
        if (v.kind == StoredValue::Real)
            return Variant::FromCy(std::llround(v.real * kCurrencyScale));
        return Bytes(v);
    }
    case adDate:
    case adDBDate:
    case adDBTimeStamp:
    case adDBTime:
    case adFileTime:
        if (v.kind == StoredValue::Text) {
            if (const std::optional<double> d = datetext::Parse(v.data, v.size))
                return Variant::FromDate(*d);
            return Text(v);
        }
        if (v.kind == StoredValue::Integer)
            return Variant::FromDate(double(v.integer));
        if (v.kind == StoredValue::Real)
            return Variant::FromDate(v.real);
        return Bytes(v);
    case adBoolean:
        if (v.kind == StoredValue::Integer)
            return Variant::FromBool(v.integer != 0);
        if (v.kind == StoredValue::Real)
            return Variant::FromBool(v.real != 0);
        if (v.kind == StoredValue::Text) {
            const QByteArray t = QByteArray(v.data, qsizetype(v.size)).trimmed().toLower();
            if (t == "true" || t == "yes")
                return Variant::FromBool(true);
            if (t == "false" || t == "no")
                return Variant::FromBool(false);
            if (const std::optional<double> d = NumberFromText(t))
                return Variant::FromBool(*d != 0);
            return Text(v);
        }
        return Bytes(v);
    case adNumeric:
    case adDecimal: {
        if (v.kind == StoredValue::Integer) {
            platform::DECIMAL d;
            d.sign = v.integer < 0 ? 0x80 : 0;
            d.Lo64 = v.integer < 0 ? 0 - static_cast<std::uint64_t>(v.integer) : static_cast<std::uint64_t>(v.integer);
            return Variant::FromDecimal(d);
        }
        QByteArray text;
        if (v.kind == StoredValue::Real)
            text = QByteArray::number(v.real, 'f', 15 - std::min(15, int(std::log10(std::fabs(v.real) + 1))));
        else if (v.kind == StoredValue::Text)
            text = QByteArray(v.data, qsizetype(v.size));
        else
            return Bytes(v);
        if (auto dec = DecimalFromText(text)) {
            // Trailing zeros of a real's fraction are not part of its value.
            while (v.kind == StoredValue::Real && dec->scale > 0) {
                unsigned __int128 m = (static_cast<unsigned __int128>(dec->Hi32) << 64) | dec->Lo64;
                if (m % 10 != 0)
                    break;
                m /= 10;
                dec->Lo64 = std::uint64_t(m);
                dec->Hi32 = std::uint32_t(m >> 64);
                --dec->scale;
            }
            return Variant::FromDecimal(*dec);
        }
        return Text(v);
    }
    default:
        break;
    }
    if (IsBinaryType(adoType))
        return v.kind == StoredValue::Blob || v.kind == StoredValue::Text ? Bytes(v) : Text(v);
    switch (v.kind) {
    case StoredValue::Integer:
        if (IsTextType(adoType))
            return Variant::FromBstr(QString::number(v.integer));
        return IntegerVariant(v, adInteger);
    case StoredValue::Real:
        if (IsTextType(adoType))
            return Variant::FromBstr(QString::number(v.real, 'g', 15));
        return Variant::FromR8(v.real);
    case StoredValue::Text:
        return Text(v);
    default:
        return Bytes(v);
    }
}

StoredValue StoredFromVariant(const Variant& v)
{
    if (IsIntegerVt(v.vt()))
        return StoredValue::MakeInteger(IntegerOf(v));
    switch (v.vt()) {
    case platform::VT_BOOL:
        return StoredValue::MakeInteger(v.boolVal() ? -1 : 0);
    case platform::VT_R4:
        return StoredValue::MakeReal(v.fltVal());
    case platform::VT_R8:
        return StoredValue::MakeReal(v.dblVal());
    case platform::VT_CY:
        if (v.cyVal() % kCurrencyScale == 0)
            return StoredValue::MakeInteger(v.cyVal() / kCurrencyScale);
        return StoredValue::MakeReal(double(v.cyVal()) / kCurrencyScale);
    case platform::VT_DECIMAL:
        return StoredValue::MakeReal(DecimalValue(v.decVal()));
    case platform::VT_DATE:
        if (const std::optional<QByteArray> text = datetext::ToStorage(v.date()))
            return StoredValue::MakeText(*text);
        return StoredValue::MakeReal(v.date());
    case platform::VT_BSTR:
        return StoredValue::MakeText(v.bstrVal().toUtf8());
    case platform::VT_ARRAY | platform::VT_UI1:
        return StoredValue::MakeBlob(v.bytes());
    default:
        return {};
    }
}

StoredValue StoredForField(const Variant& v, long adoType, const QString& fieldName)
{
    if (v.vt() == platform::VT_NULL || v.vt() == platform::VT_EMPTY)
        return {};
    if (v.vt() == platform::VT_ERROR || v.vt() == platform::VT_DISPATCH || v.vt() == platform::VT_UNKNOWN)
        CannotConvert(v, fieldName, "a value");
    switch (adoType) {
    case adInteger:
    case adSmallInt:
    case adTinyInt:
    case adUnsignedTinyInt:
    case adUnsignedSmallInt:
    case adUnsignedInt:
    case adBigInt:
    case adUnsignedBigInt:
        return IntegerForField(v, adoType, fieldName);
    case adSingle:
    case adDouble: {
        const std::optional<double> d = v.vt() == platform::VT_DATE ? std::optional<double>() : NumericOf(v);
        if (!d)
            CannotConvert(v, fieldName, "a number");
        if (adoType == adSingle) {
            if (std::fabs(*d) > std::numeric_limits<float>::max())
                OutOfRange(*d, fieldName, "Single");
            return StoredValue::MakeReal(double(float(*d)));
        }
        return StoredValue::MakeReal(*d);
    }
    case adCurrency: {
        const std::optional<double> d = NumericOf(v);
        if (!d || v.vt() == platform::VT_DATE)
            CannotConvert(v, fieldName, "a currency amount");
        if (std::fabs(*d) > 922337203685477.0)
            OutOfRange(*d, fieldName, "Currency");
        const std::int64_t cy = v.vt() == platform::VT_CY ? v.cyVal() : std::llround(*d * kCurrencyScale);
        return StoredFromVariant(Variant::FromCy(cy));
    }
    case adDate:
    case adDBDate:
    case adDBTimeStamp:
    case adDBTime:
    case adFileTime:
        return DateForField(v, fieldName);
    case adBoolean:
        return BooleanForField(v, fieldName);
    case adNumeric:
    case adDecimal: {
        if (v.vt() == platform::VT_BSTR) {
            if (const auto dec = DecimalFromText(v.bstrVal().toUtf8()))
                return StoredValue::MakeReal(DecimalValue(*dec));
            CannotConvert(v, fieldName, "a number");
        }
        const std::optional<double> d = NumericOf(v);
        if (!d || v.vt() == platform::VT_DATE)
            CannotConvert(v, fieldName, "a number");
        return StoredValue::MakeReal(*d);
    }
    default:
        break;
    }
    if (IsBinaryType(adoType)) {
        if (v.vt() == (platform::VT_ARRAY | platform::VT_UI1))
            return StoredValue::MakeBlob(v.bytes());
        CannotConvert(v, fieldName, "binary data");
    }
    if (IsTextType(adoType)) {
        if (v.vt() == (platform::VT_ARRAY | platform::VT_UI1))
            CannotConvert(v, fieldName, "text");
        return StoredValue::MakeText(DisplayText(v).toUtf8());
    }
    return StoredFromVariant(v);
}

QString DisplayText(const Variant& v)
{
    if (IsIntegerVt(v.vt()))
        return v.vt() == platform::VT_UI8 ? QString::number(v.ullVal()) : QString::number(IntegerOf(v));
    switch (v.vt()) {
    case platform::VT_BSTR:
        return v.bstrVal();
    case platform::VT_R4:
        return QString::number(double(v.fltVal()), 'g', 7);
    case platform::VT_R8:
        return QString::number(v.dblVal(), 'g', 15);
    case platform::VT_BOOL:
        return v.boolVal() ? QStringLiteral("True") : QStringLiteral("False");
    case platform::VT_CY: {
        platform::DECIMAL d;
        const std::int64_t cy = v.cyVal();
        d.sign = cy < 0 ? 0x80 : 0;
        d.Lo64 = cy < 0 ? 0 - static_cast<std::uint64_t>(cy) : static_cast<std::uint64_t>(cy);
        d.scale = 4;
        QString text = QString::fromLatin1(DecimalText(d));
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
        return text;
    }
    case platform::VT_DECIMAL:
        return QString::fromLatin1(DecimalText(v.decVal()));
    case platform::VT_DATE: {
        const std::optional<QByteArray> stored = datetext::ToStorage(v.date());
        if (!stored)
            return QString::number(v.date(), 'g', 15);
        QString text = QString::fromLatin1(*stored);
        if (text.endsWith(QLatin1String(" 00:00:00")))
            text.chop(9);
        return text;
    }
    case platform::VT_ARRAY | platform::VT_UI1:
        return QString::fromLatin1(v.bytes().toHex());
    default:
        return {};
    }
}

} // namespace engine
