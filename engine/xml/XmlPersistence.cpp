// ADO's XML persistence format, written from a recordset and read back.
//
// The format is the one ADO's persistence provider writes: a root <xml>
// declaring the s:, dt:, rs: and z: namespaces; an s:Schema whose
// s:ElementType 'row' holds one s:AttributeType per field (its XML name, its
// original name in rs:name when ADO would not use it as one, its ordinal in
// rs:number, its flags) with an s:datatype giving the XML data type and the
// database type; then rs:data with one z:row per row, each non-NULL value an
// attribute (a NULL is an attribute left out). A file may also carry pending
// changes (rs:insert, rs:update with rs:original, rs:delete, and fields set
// to NULL named in rs:forcenull); reading applies them, so that the rows
// read are the current values.
//
// Writing produces ADO's own lexical form byte for byte where it is known
// (quoting, character references, line ends, indentation, the attributes
// each type carries), so that a file saved here diffs cleanly against one
// ADO saved. The whole document is built in memory first, so a value that
// cannot be written fails before a file exists; it then goes to a
// temporary file beside the destination that is linked into place without
// ever overwriting, so a failure leaves no file behind.
//
// Reading goes through QXmlStreamReader, which never fetches anything from
// outside the file; on top of that a DOCTYPE (and with it every entity
// declaration) is refused outright. Before the parser sees the file, raw
// TAB, CR and LF inside attribute values (which ADO writes, and which a
// parser would turn into spaces) become character references.
#include "engine/xml/XmlPersistence.h"

#include "engine/ado/Field.h"
#include "engine/common/AdoEnums.h"
#include "engine/common/AdoError.h"
#include "engine/xml/AdoXmlWriter.h"
#include "engine/xml/RawLineBreaks.h"
#include "platform/ComError.h"
#include "platform/HResult.h"
#include "platform/OleDateTime.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryFile>
#include <QXmlStreamReader>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace engine::xmlpersist {

using platform::ComError;
using platform::DECIMAL;
using platform::HRESULT;
using platform::Variant;

namespace {

// ADO's errors for files it cannot open, read or write.
constexpr HRESULT adErrOpeningFile = platform::MakeHr(0x800A0BBAu); // "File could not be opened."
constexpr HRESULT adErrReadFile = platform::MakeHr(0x800A0BBBu); // "File could not be read."
constexpr HRESULT adErrWriteFile = platform::MakeHr(0x800A0BBCu); // "Write to file failed."
// What creating a file that exists gives on Windows (ERROR_FILE_EXISTS as an
// HRESULT), the code a Save onto an existing file reports.
constexpr HRESULT kFileExists = platform::MakeHr(0x80070050u);

constexpr auto kSourceRecordset = "Recordset";
const QString kPersistSource = QStringLiteral("Microsoft OLE DB Persistence Provider");

// The four namespaces of the format. The uuid: names are compared without
// regard to case, as the files in the wild spell the hex digits both ways.
const QString kNsSchema = QStringLiteral("uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882");
const QString kNsDataType = QStringLiteral("uuid:C2F41010-65B3-11d1-A29F-00AA00C14882");
const QString kNsRowset = QStringLiteral("urn:schemas-microsoft-com:rowset");
const QString kNsRow = QStringLiteral("#RowsetSchema");

// The sizes of long values that give none of their own (ADO's "unlimited"
// lengths), and the one ADO writes for every adBSTR.
constexpr long kLongWideLength = 536870910;
constexpr long kLongNarrowLength = 2147483647;
constexpr long kLongBinaryLength = 1073741823;
constexpr long long kBstrLength = 4294967295LL;

// DECIMAL holds a 96-bit mantissa and a scale of at most 28.
constexpr int kMaxDecimalScale = 28;
using Mantissa = unsigned __int128;
constexpr Mantissa kMaxMantissa = (static_cast<Mantissa>(1) << 96) - 1;
constexpr qsizetype kMaxMantissaDigits = 29; // the digits of kMaxMantissa

// ---------------------------------------------------------------------------
// The type vocabulary: how each ADO type is written as dt:type and rs:dbtype,
// and how a file's types read back.

// The value form of a column: which text syntax its values use and which
// VARIANT they become.
enum class ValueKind {
    I1,
    I2,
    I4,
    I8,
    UI1,
    UI2,
    UI4,
    UI8,
    R4,
    R8,
    Currency,
    Decimal,
    Boolean,
    Text,
    DateTime,
    DateOnly,
    TimeOnly,
    BinHex,
    BinBase64,
    Uuid,
};

// How ADO writes a type's s:datatype: its dt:type, its rs:dbtype, the
// dt:maxLength it gives every field of the type (0: the field's own size),
// and which of rs:scale, rs:fixedlength and rs:long it carries.
struct WrittenType {
    const char* dtType;
    const char* dbType; // nullptr: none
    long long maxLength;
    bool carriesScale;
    bool fixedLength;
    bool isLong;
};

// ADO's own spelling for each type it persists.
WrittenType WrittenTypeOf(long adoType)
{
    switch (adoType) {
    case adTinyInt:
        return { "i1", nullptr, 1, false, true, false };
    case adUnsignedTinyInt:
        return { "ui1", nullptr, 1, false, true, false };
    case adSmallInt:
        return { "i2", nullptr, 2, false, true, false };
    case adUnsignedSmallInt:
        return { "ui2", nullptr, 2, false, true, false };
    case adInteger:
        return { "int", nullptr, 4, false, true, false };
    case adUnsignedInt:
        return { "ui4", nullptr, 4, false, true, false };
    case adBigInt:
        return { "i8", nullptr, 8, false, true, false };
    case adUnsignedBigInt:
        return { "ui8", nullptr, 8, false, true, false };
    case adSingle:
        return { "r4", nullptr, 4, false, true, false };
    case adDouble:
        return { "float", nullptr, 8, false, true, false };
    case adCurrency:
        return { "number", "currency", 8, false, true, false };
    case adBoolean:
        return { "boolean", nullptr, 2, false, true, false };
    case adDate:
        return { "dateTime", "variantdate", 16, false, true, false };
    case adDBDate:
        return { "date", nullptr, 6, false, true, false };
    case adDBTime:
        return { "time", nullptr, 6, false, true, false };
    case adDBTimeStamp:
        return { "dateTime", "timestamp", 16, true, true, false };
    case adFileTime:
        return { "dateTime", "filetime", 16, false, true, false };
    case adGUID:
        return { "uuid", nullptr, 16, false, true, false };
    case adBSTR:
        return { "string", nullptr, kBstrLength, false, false, true };
    case adChar:
        return { "string", "str", 0, false, true, false };
    case adWChar:
        return { "string", nullptr, 0, false, true, false };
    case adVarChar:
        return { "string", "str", 0, false, false, false };
    case adLongVarChar:
        return { "string", "str", 0, false, false, true };
    case adLongVarWChar:
        return { "string", nullptr, 0, false, false, true };
    case adBinary:
        return { "bin.hex", nullptr, 0, false, true, false };
    case adVarBinary:
        return { "bin.hex", nullptr, 0, false, false, false };
    case adLongVarBinary:
        return { "bin.hex", nullptr, 0, false, false, true };
    case adNumeric:
        return { "number", "numeric", 19, true, true, false };
    case adDecimal:
        return { "number", "decimal", 16, true, true, false };
    case adVariant:
        // ADO calls persisting these "unpredictable"; the text form at
        // least reads back.
        return { "string", "variant", 0, false, false, false };
    case adVarWChar:
    default:
        return { "string", nullptr, 0, false, false, false };
    }
}

ValueKind ValueKindOfAdoType(long adoType)
{
    switch (adoType) {
    case adTinyInt:
        return ValueKind::I1;
    case adSmallInt:
        return ValueKind::I2;
    case adInteger:
        return ValueKind::I4;
    case adBigInt:
        return ValueKind::I8;
    case adUnsignedTinyInt:
        return ValueKind::UI1;
    case adUnsignedSmallInt:
        return ValueKind::UI2;
    case adUnsignedInt:
        return ValueKind::UI4;
    case adUnsignedBigInt:
        return ValueKind::UI8;
    case adSingle:
        return ValueKind::R4;
    case adDouble:
        return ValueKind::R8;
    case adCurrency:
        return ValueKind::Currency;
    case adDecimal:
    case adNumeric:
        return ValueKind::Decimal;
    case adBoolean:
        return ValueKind::Boolean;
    case adDate:
    case adDBTimeStamp:
    case adFileTime:
        return ValueKind::DateTime;
    case adDBDate:
        return ValueKind::DateOnly;
    case adDBTime:
        return ValueKind::TimeOnly;
    case adGUID:
        return ValueKind::Uuid;
    case adBinary:
    case adVarBinary:
    case adLongVarBinary:
        return ValueKind::BinHex;
    default:
        return ValueKind::Text;
    }
}

// A column as the file describes it, before its values are read.
struct FileColumn {
    ColumnInfo info;
    QString xmlName; // the attribute name in z:row
    ValueKind kind = ValueKind::Text;
    int number = 0; // rs:number, 0 when absent
};

// The ADO type that a file's dt:type and rs:dbtype read as; absent for a
// type this engine does not know.
struct ReadType {
    long adoType;
    ValueKind kind;
};

std::optional<ReadType> ReadTypeOf(const QString& dtTypeIn, const QString& dbTypeIn, bool fixed, bool isLong)
{
    const QString dt = dtTypeIn.toLower();
    const QString db = dbTypeIn.toLower();
    if (dt == u"i1")
        return ReadType { adTinyInt, ValueKind::I1 };
    if (dt == u"i2")
        return ReadType { adSmallInt, ValueKind::I2 };
    if (dt == u"i4" || dt == u"int")
        return ReadType { adInteger, ValueKind::I4 };
    if (dt == u"i8")
        return ReadType { adBigInt, ValueKind::I8 };
    if (dt == u"ui1")
        return ReadType { adUnsignedTinyInt, ValueKind::UI1 };
    if (dt == u"ui2")
        return ReadType { adUnsignedSmallInt, ValueKind::UI2 };
    if (dt == u"ui4")
        return ReadType { adUnsignedInt, ValueKind::UI4 };
    if (dt == u"ui8")
        return ReadType { adUnsignedBigInt, ValueKind::UI8 };
    if (dt == u"r4")
        return ReadType { adSingle, ValueKind::R4 };
    if (dt == u"r8" || dt == u"float")
        return ReadType { adDouble, ValueKind::R8 };
    if (dt == u"fixed.14.4")
        return ReadType { adCurrency, ValueKind::Currency };
    if (dt == u"number") {
        if (db == u"currency")
            return ReadType { adCurrency, ValueKind::Currency };
        if (db == u"decimal")
            return ReadType { adDecimal, ValueKind::Decimal };
        return ReadType { adNumeric, ValueKind::Decimal };
    }
    if (dt == u"boolean")
        return ReadType { adBoolean, ValueKind::Boolean };
    if (dt == u"datetime" || dt == u"datetime.tz") {
        if (db == u"variantdate")
            return ReadType { adDate, ValueKind::DateTime };
        if (db == u"filetime")
            return ReadType { adFileTime, ValueKind::DateTime };
        return ReadType { adDBTimeStamp, ValueKind::DateTime };
    }
    if (dt == u"date")
        return ReadType { adDBDate, ValueKind::DateOnly };
    if (dt == u"time" || dt == u"time.tz")
        return ReadType { adDBTime, ValueKind::TimeOnly };
    if (dt == u"uuid")
        return ReadType { adGUID, ValueKind::Uuid };
    if (dt == u"bin.hex" || dt == u"bin.base64") {
        const ValueKind kind = dt == u"bin.hex" ? ValueKind::BinHex : ValueKind::BinBase64;
        if (isLong)
            return ReadType { adLongVarBinary, kind };
        return ReadType { fixed ? adBinary : adVarBinary, kind };
    }
    // XML's string-like types all read as text.
    static const char* const kTextTypes[] = { "string", "char", "id", "idref", "idrefs", "entity", "entities",
        "nmtoken", "nmtokens", "notation", "enumeration", "uri" };
    const bool isText = dt.isEmpty() || std::any_of(std::begin(kTextTypes), std::end(kTextTypes), [&dt](const char* t) {
        return dt == QLatin1String(t);
    });
    if (!isText)
        return std::nullopt;
    if (db == u"variant")
        return ReadType { adVariant, ValueKind::Text };
    if (db == u"bstr")
        return ReadType { adBSTR, ValueKind::Text };
    if (dt == u"char")
        return ReadType { adWChar, ValueKind::Text };
    if (db == u"str") {
        if (isLong)
            return ReadType { adLongVarChar, ValueKind::Text };
        return ReadType { fixed ? adChar : adVarChar, ValueKind::Text };
    }
    if (isLong)
        return ReadType { adLongVarWChar, ValueKind::Text };
    return ReadType { fixed ? adWChar : adVarWChar, ValueKind::Text };
}

// ---------------------------------------------------------------------------
// Value texts.

// A scaled decimal number parsed from text: sign, 96-bit mantissa, scale.
struct ScaledNumber {
    bool negative = false;
    Mantissa mantissa = 0;
    int scale = 0;
};

// Parses [+-]digits[.digits][(e|E)[+-]digits]. Digits beyond what 96 bits
// and a scale of 28 can hold are rounded away from the fraction; a number
// whose integer part does not fit fails.
std::optional<ScaledNumber> ParseScaled(QStringView text)
{
    text = text.trimmed();
    qsizetype i = 0;
    ScaledNumber n;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        n.negative = text[i] == u'-';
        ++i;
    }
    QString digits;
    int fractionDigits = 0;
    bool seenPoint = false;
    bool anyDigit = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c >= u'0' && c <= u'9') {
            digits += c;
            anyDigit = true;
            if (seenPoint)
                ++fractionDigits;
        } else if (c == u'.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
    }
    if (!anyDigit)
        return std::nullopt;
    int exponent = 0;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        bool expNegative = false;
        if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
            expNegative = text[i] == u'-';
            ++i;
        }
        const qsizetype expStart = i;
        while (i < text.size() && text[i] >= u'0' && text[i] <= u'9' && exponent < 100000) {
            exponent = exponent * 10 + (text[i].unicode() - u'0');
            ++i;
        }
        if (i == expStart)
            return std::nullopt;
        if (expNegative)
            exponent = -exponent;
    }
    if (i != text.size())
        return std::nullopt;

    // The value is digits * 10^(exponent - fractionDigits). The exponent
    // may be in the ten thousands, so the digits are never shifted one at
    // a time: a file full of "1E-99999" must not take minutes to read.
    int scale = fractionDigits - exponent;
    // Leading zeros carry nothing (and would count against the 29 digits).
    qsizetype leadingZeros = 0;
    while (leadingZeros < digits.size() - 1 && digits[leadingZeros] == u'0')
        ++leadingZeros;
    digits.remove(0, leadingZeros);
    if (scale < 0) {
        if (digits != u"0") {
            if (digits.size() - scale > kMaxMantissaDigits)
                return std::nullopt; // more integer digits than 96 bits hold
            digits += QString(-scale, u'0');
        }
        scale = 0;
    }
    // Drop digits the scale cannot hold, rounding half away from zero on
    // the last digit dropped.
    qsizetype drop = std::max(scale - kMaxDecimalScale, 0);
    const qsizetype kept = digits.size() - drop;
    if (kept > kMaxMantissaDigits && scale - drop > 0)
        drop += std::min<qsizetype>(kept - kMaxMantissaDigits, scale - drop);
    bool roundUp = false;
    if (drop > 0) {
        if (drop <= digits.size()) {
            roundUp = digits[digits.size() - drop] >= u'5';
            digits.chop(drop);
        } else {
            digits.clear(); // every digit lies below what the scale can hold
        }
        if (digits.isEmpty())
            digits = QStringLiteral("0");
        scale -= static_cast<int>(drop);
    }
    Mantissa m = 0;
    for (QChar c : digits) {
        m = m * 10 + static_cast<unsigned>(c.unicode() - u'0');
        if (m > kMaxMantissa)
            return std::nullopt;
    }
    if (roundUp && ++m > kMaxMantissa)
        return std::nullopt;
    n.mantissa = m;
    n.scale = scale;
    return n;
}

QString MantissaText(Mantissa m)
{
    if (m == 0)
        return QStringLiteral("0");
    QString s;
    while (m != 0) {
        s.prepend(QChar(static_cast<char16_t>(u'0' + static_cast<int>(m % 10))));
        m /= 10;
    }
    return s;
}

// The decimal text of a scaled integer; with trimZeros, trailing zeros of
// the fraction are left out ("-12.3400" -> "-12.34").
QString ScaledText(bool negative, Mantissa m, int scale, bool trimZeros)
{
    QString digits = MantissaText(m);
    if (scale > 0) {
        while (digits.size() <= scale)
            digits.prepend(u'0');
        digits.insert(digits.size() - scale, u'.');
        while (trimZeros && digits.endsWith(u'0'))
            digits.chop(1);
        if (digits.endsWith(u'.'))
            digits.chop(1);
    }
    if (negative && m != 0)
        digits.prepend(u'-');
    return digits;
}

Mantissa MantissaOf(const DECIMAL& d)
{
    return (static_cast<Mantissa>(d.Hi32) << 64) | d.Lo64;
}

// A DECIMAL keeps its scale ("12.50" stays 12.50), so that it reads back
// as the same value.
QString DecimalText(const DECIMAL& d)
{
    return ScaledText(d.sign == 0x80, MantissaOf(d), d.scale, false);
}

std::optional<DECIMAL> ParseDecimal(QStringView text)
{
    const std::optional<ScaledNumber> n = ParseScaled(text);
    if (!n)
        return std::nullopt;
    DECIMAL d;
    d.scale = static_cast<std::uint8_t>(n->scale);
    d.sign = n->negative && n->mantissa != 0 ? 0x80 : 0;
    d.Hi32 = static_cast<std::uint32_t>(n->mantissa >> 64);
    d.Lo64 = static_cast<std::uint64_t>(n->mantissa);
    return d;
}

QString CurrencyText(std::int64_t cy)
{
    const bool negative = cy < 0;
    const Mantissa m = negative ? static_cast<Mantissa>(-(static_cast<__int128>(cy))) : static_cast<Mantissa>(cy);
    return ScaledText(negative, m, 4, true);
}

// A currency amount in ten-thousandths, rounded half away from zero.
std::optional<std::int64_t> ParseCurrency(QStringView text)
{
    std::optional<ScaledNumber> n = ParseScaled(text);
    if (!n)
        return std::nullopt;
    Mantissa m = n->mantissa;
    int scale = n->scale;
    while (scale < 4) {
        m *= 10;
        ++scale;
        if (m > kMaxMantissa)
            return std::nullopt;
    }
    bool roundUp = false;
    while (scale > 4) {
        roundUp = m % 10 >= 5;
        m /= 10;
        --scale;
    }
    if (roundUp)
        ++m;
    const Mantissa limit = n->negative ? static_cast<Mantissa>(std::numeric_limits<std::int64_t>::max()) + 1
                                       : static_cast<Mantissa>(std::numeric_limits<std::int64_t>::max());
    if (m > limit)
        return std::nullopt;
    const __int128 signedValue = n->negative ? -static_cast<__int128>(m) : static_cast<__int128>(m);
    return static_cast<std::int64_t>(signedValue);
}

// The name of a number that is no finite value, for errors.
QString RealName(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    return value < 0 ? QStringLiteral("minus infinity") : QStringLiteral("infinity");
}

template <typename T> std::optional<T> ParseReal(QStringView textIn)
{
    QByteArray text = textIn.trimmed().toLatin1();
    if (text.startsWith('+'))
        text.remove(0, 1);
    const QByteArray lower = text.toLower();
    if (lower == "inf" || lower == "infinity")
        return std::numeric_limits<T>::infinity();
    if (lower == "-inf" || lower == "-infinity")
        return -std::numeric_limits<T>::infinity();
    if (lower == "nan")
        return std::numeric_limits<T>::quiet_NaN();
    T value {};
    const char* end = text.constData() + text.size();
    const std::from_chars_result r = std::from_chars(text.constData(), end, value);
    if (r.ec != std::errc() || r.ptr != end || text.isEmpty())
        return std::nullopt;
    return value;
}

std::optional<qlonglong> ParseSigned(QStringView text, qlonglong min, qlonglong max)
{
    bool ok = false;
    const qlonglong v = text.trimmed().toLongLong(&ok, 10);
    if (!ok || v < min || v > max)
        return std::nullopt;
    return v;
}

std::optional<qulonglong> ParseUnsigned(QStringView textIn, qulonglong max)
{
    const QStringView text = textIn.trimmed();
    if (text.startsWith(u'-'))
        return std::nullopt;
    bool ok = false;
    const qulonglong v = text.toULongLong(&ok, 10);
    if (!ok || v > max)
        return std::nullopt;
    return v;
}

std::optional<bool> ParseBoolean(QStringView textIn)
{
    const QStringView text = textIn.trimmed();
    if (text.compare(u"true", Qt::CaseInsensitive) == 0 || text == u"1" || text == u"-1")
        return true;
    if (text.compare(u"false", Qt::CaseInsensitive) == 0 || text == u"0")
        return false;
    return std::nullopt;
}

// Reads exactly `width` digits at pos.
bool ReadDigits(QStringView s, qsizetype& pos, int width, int& out)
{
    if (pos + width > s.size())
        return false;
    int v = 0;
    for (int i = 0; i < width; ++i) {
        const QChar c = s[pos + i];
        if (c < u'0' || c > u'9')
            return false;
        v = v * 10 + (c.unicode() - u'0');
    }
    pos += width;
    out = v;
    return true;
}

// HH:MM[:SS[.fraction]], then an optional zone (Z or +HH:MM), which is
// read and dropped: OLE dates carry no zone, and the clock time as written
// is what a user of the file expects to see.
bool ReadClock(QStringView s, qsizetype& pos, int& hour, int& minute, int& second, double& fraction)
{
    if (!ReadDigits(s, pos, 2, hour) || pos >= s.size() || s[pos] != u':' || !ReadDigits(s, ++pos, 2, minute))
        return false;
    second = 0;
    fraction = 0.0;
    if (pos < s.size() && s[pos] == u':') {
        if (!ReadDigits(s, ++pos, 2, second))
            return false;
        if (pos < s.size() && s[pos] == u'.') {
            const qsizetype start = ++pos;
            while (pos < s.size() && s[pos] >= u'0' && s[pos] <= u'9')
                ++pos;
            if (pos == start)
                return false;
            fraction = QStringView(u"0.").toString().append(s.mid(start, pos - start)).toDouble();
        }
    }
    if (pos < s.size() && (s[pos] == u'Z' || s[pos] == u'z')) {
        ++pos;
    } else if (pos < s.size() && (s[pos] == u'+' || s[pos] == u'-')) {
        int zh = 0;
        int zm = 0;
        if (!ReadDigits(s, ++pos, 2, zh) || pos >= s.size() || s[pos] != u':' || !ReadDigits(s, ++pos, 2, zm))
            return false;
    }
    return hour <= 23 && minute <= 59 && second <= 59;
}

// The OLE date of calendar fields plus a fraction of a second; absent when
// the fields are out of range.
std::optional<double> OleDateOf(int year, int month, int day, int hour, int minute, int second, double fraction)
{
    platform::OleDateTime dt;
    if (dt.SetDateTime(year, month, day, hour, minute, second) != 0 || dt.GetStatus() != platform::OleDateTime::valid)
        return std::nullopt;
    // Negative OLE dates count their time of day forward from the day's
    // start in the negative direction.
    const double secondFraction = fraction / 86400.0;
    return dt.m_dt < 0 ? dt.m_dt - secondFraction : dt.m_dt + secondFraction;
}

std::optional<double> ParseDateTimeText(QStringView textIn, ValueKind kind)
{
    const QStringView s = textIn.trimmed();
    qsizetype pos = 0;
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    double fraction = 0.0;
    if (kind == ValueKind::TimeOnly) {
        if (!ReadClock(s, pos, hour, minute, second, fraction) || pos != s.size())
            return std::nullopt;
        return OleDateOf(year, month, day, hour, minute, second, fraction);
    }
    if (!ReadDigits(s, pos, 4, year) || pos >= s.size() || s[pos] != u'-' || !ReadDigits(s, ++pos, 2, month)
        || pos >= s.size() || s[pos] != u'-' || !ReadDigits(s, ++pos, 2, day))
        return std::nullopt;
    if (pos < s.size() && (s[pos] == u'T' || s[pos] == u't' || s[pos] == u' ')) {
        if (!ReadClock(s, ++pos, hour, minute, second, fraction))
            return std::nullopt;
    } else if (pos < s.size() && (s[pos] == u'Z' || s[pos] == u'+' || s[pos] == u'-')) {
        int ignoredH = 0;
        int ignoredM = 0;
        int ignoredS = 0;
        double ignoredF = 0.0;
        // A zone after a bare date: "2010-05-17Z", "2010-05-17+02:00".
        QString clock = QStringLiteral("00:00");
        clock += s.mid(pos);
        qsizetype p = 0;
        if (!ReadClock(clock, p, ignoredH, ignoredM, ignoredS, ignoredF) || p != clock.size())
            return std::nullopt;
        pos = s.size();
    }
    if (pos != s.size())
        return std::nullopt;
    return OleDateOf(year, month, day, hour, minute, second, fraction);
}

// A GUID in its braced upper-case form; absent for anything else. ADO's
// files always brace their GUIDs, and ADO refuses one without braces; a
// field's own value may come either way.
std::optional<QString> ParseUuid(QStringView textIn, bool requireBraces)
{
    QStringView t = textIn.trimmed();
    if (t.startsWith(u'{') && t.endsWith(u'}'))
        t = t.mid(1, t.size() - 2);
    else if (requireBraces)
        return std::nullopt;
    QString hex;
    for (QChar c : t) {
        if (c == u'-')
            continue;
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F')))
            return std::nullopt;
        hex += c.toUpper();
    }
    if (hex.size() != 32)
        return std::nullopt;
    return QStringLiteral("{%1-%2-%3-%4-%5}")
        .arg(hex.mid(0, 8), hex.mid(8, 4), hex.mid(12, 4), hex.mid(16, 4), hex.mid(20, 12));
}

std::optional<QByteArray> ParseHex(QStringView textIn)
{
    QByteArray digits;
    digits.reserve(textIn.size());
    for (QChar c : textIn) {
        if (c.isSpace())
            continue;
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F')))
            return std::nullopt;
        digits += static_cast<char>(c.unicode());
    }
    if (digits.size() % 2 != 0)
        return std::nullopt;
    return QByteArray::fromHex(digits);
}

std::optional<QByteArray> ParseBase64(QStringView textIn)
{
    QByteArray digits;
    for (QChar c : textIn) {
        if (!c.isSpace())
            digits += static_cast<char>(c.unicode() < 128 ? c.unicode() : '!');
    }
    auto decoded = QByteArray::fromBase64Encoding(digits, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return *decoded;
}

// A value's text from a file, as the column's VARIANT; absent when the text
// is no value of that kind.
std::optional<Variant> ParseValue(QStringView text, ValueKind kind)
{
    switch (kind) {
    case ValueKind::I1:
        if (auto v = ParseSigned(text, -128, 127))
            return Variant::FromI1(static_cast<std::int8_t>(*v));
        return std::nullopt;
    case ValueKind::I2:
        if (auto v = ParseSigned(text, -32768, 32767))
            return Variant::FromI2(static_cast<std::int16_t>(*v));
        return std::nullopt;
    case ValueKind::I4:
        if (auto v
            = ParseSigned(text, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()))
            return Variant::FromI4(static_cast<std::int32_t>(*v));
        return std::nullopt;
    case ValueKind::I8:
        if (auto v = ParseSigned(text, std::numeric_limits<qlonglong>::min(), std::numeric_limits<qlonglong>::max()))
            return Variant::FromI8(*v);
        return std::nullopt;
    case ValueKind::UI1:
        if (auto v = ParseUnsigned(text, 255))
            return Variant::FromUI1(static_cast<std::uint8_t>(*v));
        return std::nullopt;
    case ValueKind::UI2:
        if (auto v = ParseUnsigned(text, 65535))
            return Variant::FromUI2(static_cast<std::uint16_t>(*v));
        return std::nullopt;
    case ValueKind::UI4:
        if (auto v = ParseUnsigned(text, std::numeric_limits<std::uint32_t>::max()))
            return Variant::FromUI4(static_cast<std::uint32_t>(*v));
        return std::nullopt;
    case ValueKind::UI8:
        if (auto v = ParseUnsigned(text, std::numeric_limits<qulonglong>::max()))
            return Variant::FromUI8(*v);
        return std::nullopt;
    case ValueKind::R4:
        if (auto v = ParseReal<float>(text))
            return Variant::FromR4(*v);
        return std::nullopt;
    case ValueKind::R8:
        if (auto v = ParseReal<double>(text))
            return Variant::FromR8(*v);
        return std::nullopt;
    case ValueKind::Currency:
        if (auto v = ParseCurrency(text))
            return Variant::FromCy(*v);
        return std::nullopt;
    case ValueKind::Decimal:
        if (auto v = ParseDecimal(text))
            return Variant::FromDecimal(*v);
        return std::nullopt;
    case ValueKind::Boolean:
        if (auto v = ParseBoolean(text))
            return Variant::FromBool(*v);
        return std::nullopt;
    case ValueKind::DateTime:
    case ValueKind::DateOnly:
    case ValueKind::TimeOnly:
        if (auto v = ParseDateTimeText(text, kind))
            return Variant::FromDate(*v);
        return std::nullopt;
    case ValueKind::BinHex:
        if (auto v = ParseHex(text))
            return Variant::FromBytes(*v);
        return std::nullopt;
    case ValueKind::BinBase64:
        if (auto v = ParseBase64(text))
            return Variant::FromBytes(*v);
        return std::nullopt;
    case ValueKind::Uuid:
        if (auto v = ParseUuid(text, true))
            return Variant::FromBstr(*v);
        return std::nullopt;
    case ValueKind::Text:
        return Variant::FromBstr(text.toString());
    }
    return std::nullopt;
}

// A double as ADO writes it: seventeen significant digits, an exponent
// only for very large or small numbers ("3.1415899999999999",
// "1.7976931348623157E+308").
QString DoubleText(double value)
{
    char buf[64];
    const int n = std::snprintf(buf, sizeof buf, "%.17G", value);
    return QString::fromLatin1(buf, n);
}

// A single: the shortest text that reads back as the same single, with
// the exponent in ADO's form ("1.125", "3.4028231E+38").
QString SingleText(float value)
{
    char buf[64];
    const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, value);
    QString text = QString::fromLatin1(buf, r.ptr - buf);
    text.replace(u'e', u'E');
    return text;
}

// The clock time of an OLE date in nanoseconds, rounded to what the double
// can tell apart at its size (a microsecond for today's dates) or, for a
// type without fractions, to the second; the day moves on when the time
// rounds up to midnight.
struct SplitDate {
    double day; // the OLE date of the day's midnight
    std::int64_t nanoseconds;
};

SplitDate SplitOleDate(double oleDate, bool keepFraction)
{
    constexpr std::int64_t kDayNs = 86400LL * 1000000000LL;
    double day = std::trunc(oleDate);
    const double fraction = std::fabs(oleDate - day);
    std::int64_t unit = 1000000000; // whole seconds
    if (keepFraction) {
        const double resolutionNs = (std::nextafter(std::fabs(oleDate), HUGE_VAL) - std::fabs(oleDate)) * 86400e9;
        unit = 1;
        while (unit < 1000000000 && static_cast<double>(unit) < resolutionNs)
            unit *= 10;
    }
    std::int64_t ns = std::llround(fraction * 86400e9 / static_cast<double>(unit)) * unit;
    if (ns >= kDayNs) {
        // The next calendar day, also before 1899-12-30, where OLE dates
        // count their days down but their time of day up.
        ns -= kDayNs;
        day += 1.0;
    }
    return { day, ns };
}

// A date or time in ADO's form: date-only and time-only types as such, a
// timestamp or file time with nine digits of fraction when it has one, an
// OLE date to the second (ADO writes its dates without fraction).
QString DateText(double oleDate, long adoType)
{
    const ValueKind kind = ValueKindOfAdoType(adoType);
    const bool keepFraction = adoType == adDBTimeStamp || adoType == adFileTime;
    const SplitDate split = SplitOleDate(oleDate, keepFraction);
    const platform::OleDateTime day(split.day);
    if (!std::isfinite(oleDate) || day.GetStatus() != platform::OleDateTime::valid || day.GetYear() < 100)
        return {};
    const std::int64_t seconds = split.nanoseconds / 1000000000;
    const std::int64_t fraction = split.nanoseconds % 1000000000;
    char buf[64];
    int n = 0;
    if (kind == ValueKind::DateOnly) {
        n = std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", day.GetYear(), day.GetMonth(), day.GetDay());
    } else if (kind == ValueKind::TimeOnly) {
        n = std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", static_cast<int>(seconds / 3600),
            static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    } else {
        n = std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", day.GetYear(), day.GetMonth(), day.GetDay(),
            static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
        if (fraction != 0)
            n += std::snprintf(
                buf + n, sizeof buf - static_cast<std::size_t>(n), ".%09lld", static_cast<long long>(fraction));
    }
    return QString::fromLatin1(buf, n);
}

// The text a value is written as in a column of the given type; absent
// when it cannot be written, with the reason in `why` and the error to
// raise in `hr`.
std::optional<QString> ValueText(const Variant& v, long adoType, QString& why, HRESULT& hr)
{
    using namespace platform;
    const ValueKind kind = ValueKindOfAdoType(adoType);
    hr = adErrDataConversion;
    switch (v.vt()) {
    case VT_I1:
        return QString::number(v.cVal());
    case VT_I2:
        return QString::number(v.iVal());
    case VT_I4:
    case VT_INT:
        return QString::number(v.lVal());
    case VT_I8:
        // An unsigned 64-bit field keeps its values' bits in a signed
        // integer; its upper half is written as the unsigned number it is.
        if (kind == ValueKind::UI8)
            return QString::number(static_cast<qulonglong>(v.llVal()));
        return QString::number(v.llVal());
    case VT_UI1:
        return QString::number(v.bVal());
    case VT_UI2:
        return QString::number(v.uiVal());
    case VT_UI4:
    case VT_UINT:
        return QString::number(v.ulVal());
    case VT_UI8:
        return QString::number(v.ullVal());
    case VT_R4:
    case VT_R8: {
        const double d = v.vt() == VT_R4 ? static_cast<double>(v.fltVal()) : v.dblVal();
        if (!std::isfinite(d)) {
            // ADO refuses these the same way.
            hr = DB_E_SCHEMAVIOLATION;
            why = QStringLiteral("holds %1, which the file format has no form for").arg(RealName(d));
            return std::nullopt;
        }
        if (kind == ValueKind::R4 || (v.vt() == VT_R4 && kind != ValueKind::R8))
            return SingleText(static_cast<float>(d));
        return DoubleText(d);
    }
    case VT_CY:
        return CurrencyText(v.cyVal());
    case VT_DECIMAL:
        return DecimalText(v.decVal());
    case VT_BOOL:
        return v.boolVal() != VARIANT_FALSE ? QStringLiteral("True") : QStringLiteral("False");
    case VT_DATE: {
        const bool dateColumn
            = kind == ValueKind::DateTime || kind == ValueKind::DateOnly || kind == ValueKind::TimeOnly;
        QString text = DateText(v.date(), dateColumn ? adoType : long(adDate));
        if (text.isEmpty()) {
            why = QStringLiteral("holds a date outside the years 100 to 9999");
            return std::nullopt;
        }
        return text;
    }
    case VT_BSTR:
        if (kind == ValueKind::Uuid) {
            // ADO writes GUIDs braced, and reads no other form back.
            if (std::optional<QString> uuid = ParseUuid(v.bstrVal(), false))
                return uuid;
            why = QStringLiteral("holds '%1', which is no GUID").arg(v.bstrVal().left(60));
            return std::nullopt;
        }
        return v.bstrVal();
    case VT_ARRAY | VT_UI1:
        return QString::fromLatin1(v.bytes().toHex());
    case VT_ERROR:
        return QString::number(v.scode());
    default:
        why = QStringLiteral("holds a value of VARIANT type %1, which the file format has no form for").arg(v.vt());
        return std::nullopt;
    }
}

// Whether XML 1.0 can hold the character (as text or an attribute value).
bool IsXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

// The first character of the text that XML cannot hold, if any.
std::optional<char32_t> FirstNonXmlChar(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate() || !IsXmlChar(c.unicode()))
            return c.unicode();
    }
    return std::nullopt;
}

// Whether ADO writes the name as it is: an ASCII letter or underscore, then
// ASCII letters, digits and underscores. ADO gives every other name (with
// a space, a hyphen, a letter outside ASCII, markup) an alias. A name that
// begins with "xml" is aliased too, as XML keeps those names to itself.
bool IsPlainXmlName(const QString& name)
{
    if (name.isEmpty() || name.startsWith(QLatin1String("xml"), Qt::CaseInsensitive))
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
        const bool digit = c >= u'0' && c <= u'9';
        if (!letter && !(digit && i > 0))
            return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Writing.

struct SaveColumn {
    ColumnInfo info;
    QString xmlName;
};

[[noreturn]] void ThrowSaveError(HRESULT hr, const QString& description)
{
    ThrowAdo(hr, description, kSourceRecordset);
}

QString Quoted(const QString& name)
{
    return QStringLiteral("'%1'").arg(name);
}

// Gives every column an attribute name: its own when ADO would keep it and
// no earlier column took it, else ADO's c<ordinal> form (with a suffix in
// the unlikely case that another column already uses it).
void AssignXmlNames(std::vector<SaveColumn>& columns)
{
    QHash<QString, bool> taken;
    for (const SaveColumn& c : columns) {
        if (IsPlainXmlName(c.info.name))
            taken.insert(c.info.name, false);
    }
    QHash<QString, bool> used;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        SaveColumn& c = columns[i];
        if (IsPlainXmlName(c.info.name) && !used.contains(c.info.name)) {
            c.xmlName = c.info.name;
        } else {
            QString candidate = QStringLiteral("c%1").arg(i);
            for (int suffix = 1; taken.contains(candidate) || used.contains(candidate); ++suffix)
                candidate = QStringLiteral("c%1_%2").arg(i).arg(suffix);
            c.xmlName = candidate;
        }
        used.insert(c.xmlName, true);
    }
}

void WriteSchema(AdoXmlWriter& w, const std::vector<SaveColumn>& columns, bool updatable)
{
    const QString yes = QStringLiteral("true");
    w.Line(0, "<s:Schema id='RowsetSchema'>");
    w.StartTag(1, "s:ElementType");
    w.Attribute("name", QStringLiteral("row"));
    w.Attribute("content", QStringLiteral("eltOnly"));
    if (updatable)
        w.Attribute("rs:updatable", yes);
    w.EndStartTag(false);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const SaveColumn& c = columns[i];
        const long attributes = c.info.attributes == adFldUnspecified ? 0 : c.info.attributes;
        // In the order ADO writes them.
        w.StartTag(2, "s:AttributeType");
        w.Attribute("name", c.xmlName);
        if (c.xmlName != c.info.name)
            w.Attribute("rs:name", c.info.name);
        w.Attribute("rs:number", QString::number(i + 1));
        if (attributes & adFldCacheDeferred)
            w.Attribute("rs:cachedeferred", yes);
        if (attributes & adFldRowVersion)
            w.Attribute("rs:rowver", yes);
        if (attributes & adFldRowID)
            w.Attribute("rs:rowid", yes);
        if (attributes & adFldIsNullable)
            w.Attribute("rs:nullable", yes);
        if (attributes & adFldMayDefer)
            w.Attribute("rs:maydefer", yes);
        if (attributes & adFldUpdatable)
            w.Attribute("rs:write", yes);
        if (attributes & adFldUnknownUpdatable)
            w.Attribute("rs:writeunknown", yes);
        if (attributes & adFldKeyColumn)
            w.Attribute("rs:keycolumn", yes);
        w.EndStartTag(false);

        const WrittenType t = WrittenTypeOf(c.info.type);
        // A long value that is not of a long type (a Memo seen through a
        // wide-text type) still says so, or it would read back short.
        const bool isLong = t.isLong || (attributes & adFldLong) != 0;
        long long maxLength = t.maxLength;
        if (maxLength == 0) {
            maxLength = c.info.definedSize;
            if (maxLength <= 0 && isLong)
                maxLength = t.dtType == std::string_view("bin.hex") ? kLongBinaryLength
                    : t.dbType                                      ? kLongNarrowLength
                                                                    : kLongWideLength;
        }
        w.StartTag(3, "s:datatype");
        w.Attribute("dt:type", QString::fromLatin1(t.dtType));
        if (t.dbType)
            w.Attribute("rs:dbtype", QString::fromLatin1(t.dbType));
        w.Attribute("dt:maxLength", QString::number(maxLength));
        // Precision and scale as the field gives them, never a default:
        // what is read back is what was saved.
        if (t.carriesScale)
            w.Attribute("rs:scale", QString::number(c.info.numericScale));
        w.Attribute("rs:precision", QString::number(c.info.precision));
        if (t.fixedLength)
            w.Attribute("rs:fixedlength", yes);
        if (isLong)
            w.Attribute("rs:long", yes);
        if (!(attributes & adFldMayBeNull))
            w.Attribute("rs:maybenull", QStringLiteral("false"));
        w.EndStartTag(true);
        w.Line(2, "</s:AttributeType>");
    }
    w.Line(2, "<s:extends type='rs:rowbase'/>");
    w.Line(1, "</s:ElementType>");
    w.Line(0, "</s:Schema>");
}

QByteArray BuildDocument(
    const std::vector<SaveColumn>& columns, const std::vector<std::vector<Variant>>& rows, bool updatable)
{
    AdoXmlWriter w;
    w.Line(0, "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882'");
    w.Line(1, "xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882'");
    w.Line(1, "xmlns:rs='urn:schemas-microsoft-com:rowset'");
    w.Line(1, "xmlns:z='#RowsetSchema'>");
    WriteSchema(w, columns, updatable);
    w.Line(0, "<rs:data>");
    for (std::size_t r = 0; r < rows.size(); ++r) {
        w.StartTag(1, "z:row");
        for (std::size_t c = 0; c < columns.size() && c < rows[r].size(); ++c) {
            const Variant& v = rows[r][c];
            if (v.IsNull() || v.IsEmpty())
                continue;
            QString why;
            HRESULT hr = platform::S_OK;
            const std::optional<QString> text = ValueText(v, columns[c].info.type, why, hr);
            if (!text) {
                // ADO's words first where ADO fails the same way.
                const QString lead = hr == platform::DB_E_SCHEMAVIOLATION
                    ? QStringLiteral("Multiple-step operation generated errors. Check each status value. ")
                    : QString();
                ThrowSaveError(hr,
                    QStringLiteral("%1Field %2 of row %3 %4; nothing was saved.")
                        .arg(lead, Quoted(columns[c].info.name))
                        .arg(r + 1)
                        .arg(why));
            }
            if (const std::optional<char32_t> bad = FirstNonXmlChar(*text)) {
                ThrowSaveError(platform::adErrDataConversion,
                    QStringLiteral("Field %1 of row %2 holds the character U+%3, which an XML file cannot "
                                   "hold; nothing was saved.")
                        .arg(Quoted(columns[c].info.name))
                        .arg(r + 1)
                        .arg(static_cast<uint>(*bad), 4, 16, QLatin1Char('0')));
            }
            w.Attribute(columns[c].xmlName, *text);
        }
        w.EndStartTag(true);
    }
    w.Line(0, "</rs:data>");
    w.Line(0, "</xml>");
    return w.Finish();
}

bool PathExists(const QString& path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

// Writes the bytes to a new file at path. The bytes go to a temporary file
// in the same folder, reach the disk, and are then linked to the final name,
// which fails rather than replaces when that name exists.
void WriteNewFile(const QString& path, const QByteArray& bytes)
{
    const QFileInfo target(path);
    QTemporaryFile temp(
        target.absolutePath() + QStringLiteral("/.") + target.fileName() + QStringLiteral(".XXXXXX.tmp"));
    if (!temp.open()) {
        ThrowSaveError(
            adErrOpeningFile, QStringLiteral("File could not be opened: %1 (%2).").arg(path, temp.errorString()));
    }
    if (temp.write(bytes) != bytes.size() || !temp.flush() || ::fsync(temp.handle()) != 0) {
        ThrowSaveError(adErrWriteFile, QStringLiteral("Write to file failed: %1 (%2).").arg(path, temp.errorString()));
    }
    temp.close();
    const QByteArray from = QFile::encodeName(temp.fileName());
    const QByteArray to = QFile::encodeName(target.absoluteFilePath());
    int rc = ::link(from.constData(), to.constData());
    if (rc != 0 && errno != EEXIST) {
        // A file system without hard links: an atomic rename that refuses
        // to replace.
        rc = ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
    }
    if (rc != 0) {
        const int error = errno;
        if (error == EEXIST)
            ThrowSaveError(kFileExists, QStringLiteral("File already exists: %1").arg(path));
        ThrowSaveError(adErrWriteFile,
            QStringLiteral("Write to file failed: %1 (%2).").arg(path, QString::fromLocal8Bit(std::strerror(error))));
    }
    // The temporary name is removed by QTemporaryFile (after a rename it is
    // already gone).
}

// ---------------------------------------------------------------------------
// Reading.

// Why a file is refused; carried out of the parser with the position.
struct LoadFailure {
    QString what;
};

// What ADO says of a file it cannot open as a recordset: one that holds
// no recordset at all, one whose XML breaks off or breaks the format, and a
// value it cannot convert. Each is followed by the file and the reason.
const char* const kNotARecordset = "Recordset cannot be created from the specified source. The source file or "
                                   "stream must contain Recordset data in XML or ADTG format.";
const char* const kIncompleteXml = "Recordset cannot be created. Source XML is incomplete or invalid.";
const char* const kProviderFailed = "Data provider or other service returned an E_FAIL status.";

// A row as read from the file: its values, and which fields the row
// itself set (a value, or a NULL named in rs:forcenull).
struct FileRow {
    std::vector<Variant> values;
    std::vector<bool> set;
};

class Loader {
public:
    Loader(const QByteArray& bytes, const QString& path)
        : m_reader(bytes)
        , m_path(path)
    {
    }

    Rowset Read();

private:
    [[noreturn]] void Fail(const char* adoText, const QString& what) const;
    [[noreturn]] void Fail(const QString& what) const { Fail(kIncompleteXml, what); }
    bool IsIn(const QString& ns) const;
    bool Is(const QString& ns, QLatin1String localName) const;
    void NextToken();
    bool NextChild(); // advances to the next child start element; false at the parent's end
    void Skip();

    void ReadSchema();
    void ReadElementType();
    FileColumn ReadAttributeType();
    void ReadData();
    FileRow ReadRow();
    QString RowsetAttribute(QLatin1String name) const;
    bool RowsetFlag(QLatin1String name, bool absentValue) const;

    QXmlStreamReader m_reader;
    QString m_path;
    QString m_rowElement = QStringLiteral("row");
    std::vector<FileColumn> m_globalTypes; // s:AttributeType at schema level
    std::vector<FileColumn> m_columns;
    QHash<QString, int> m_columnByXmlName;
    bool m_haveSchema = false;
    bool m_rootSeen = false; // until then, a file that fails is no recordset at all
    Rowset m_rowset;
};

void Loader::Fail(const char* adoText, const QString& what) const
{
    QString where;
    if (m_reader.lineNumber() > 0)
        where = QStringLiteral(" (line %1, column %2)").arg(m_reader.lineNumber()).arg(m_reader.columnNumber());
    throw ComError(platform::E_FAIL,
        QStringLiteral("%1 The file %2 %3%4.")
            .arg(QLatin1String(adoText), Quoted(QDir::toNativeSeparators(m_path)), what, where),
        kPersistSource);
}

bool Loader::IsIn(const QString& ns) const
{
    return m_reader.namespaceUri().compare(ns, Qt::CaseInsensitive) == 0;
}

bool Loader::Is(const QString& ns, QLatin1String localName) const
{
    return m_reader.name() == localName && IsIn(ns);
}

void Loader::NextToken()
{
    const QXmlStreamReader::TokenType t = m_reader.readNext();
    switch (t) {
    case QXmlStreamReader::DTD:
        Fail(QStringLiteral("contains a document type declaration (<!DOCTYPE>), which a recordset file never has "
                            "and which is not read"));
    case QXmlStreamReader::EntityReference:
        Fail(QStringLiteral("refers to the entity '&%1;', which is not one of XML's own").arg(m_reader.name()));
    case QXmlStreamReader::Invalid:
        if (!m_rootSeen) {
            Fail(kNotARecordset,
                m_reader.error() == QXmlStreamReader::PrematureEndOfDocumentError
                    ? QStringLiteral("holds no XML element at all")
                    : QStringLiteral("is not well-formed XML: %1").arg(m_reader.errorString()));
        }
        if (m_reader.error() == QXmlStreamReader::PrematureEndOfDocumentError)
            Fail(QStringLiteral("ends before the document is complete"));
        Fail(QStringLiteral("is not well-formed XML: %1").arg(m_reader.errorString()));
    default:
        break;
    }
}

bool Loader::NextChild()
{
    for (;;) {
        NextToken();
        if (m_reader.isStartElement())
            return true;
        // Anything else (white space, comments, stray text between the
        // format's elements) is passed over.
        if (m_reader.isEndElement() || m_reader.atEnd())
            return false;
    }
}

void Loader::Skip()
{
    int depth = 1;
    while (depth > 0) {
        NextToken();
        if (m_reader.isStartElement())
            ++depth;
        else if (m_reader.isEndElement())
            --depth;
        else if (m_reader.atEnd())
            Fail(QStringLiteral("ends before the document is complete"));
    }
}

QString Loader::RowsetAttribute(QLatin1String name) const
{
    for (const QXmlStreamAttribute& a : m_reader.attributes()) {
        if (a.name() == name && a.namespaceUri().compare(kNsRowset, Qt::CaseInsensitive) == 0)
            return a.value().toString();
    }
    return {};
}

bool Loader::RowsetFlag(QLatin1String name, bool absentValue) const
{
    const QString value = RowsetAttribute(name);
    if (value.isEmpty())
        return absentValue;
    return value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || value == u"1" || value == u"-1";
}

Rowset Loader::Read()
{
    // The prolog: an optional declaration, comments, processing
    // instructions, then the root element. A DOCTYPE fails in NextToken.
    for (;;) {
        NextToken();
        if (m_reader.isStartElement())
            break;
        if (m_reader.atEnd())
            Fail(kNotARecordset, QStringLiteral("holds no XML element at all"));
    }
    if (m_reader.name() != QLatin1String("xml") || !m_reader.namespaceUri().isEmpty())
        Fail(kNotARecordset,
            QStringLiteral("is not a recordset saved as XML: its root element is <%1>, not <xml>")
                .arg(m_reader.qualifiedName()));
    m_rootSeen = true;
    while (NextChild()) {
        if (Is(kNsSchema, QLatin1String("Schema"))) {
            if (m_haveSchema)
                Fail(QStringLiteral("holds more than one s:Schema"));
            ReadSchema();
        } else if (Is(kNsRowset, QLatin1String("data"))) {
            if (!m_haveSchema)
                Fail(kNotARecordset, QStringLiteral("holds rs:data before its s:Schema"));
            ReadData();
        } else {
            Skip();
        }
    }
    if (!m_haveSchema)
        Fail(kNotARecordset,
            QStringLiteral("has no s:Schema describing its fields, so it is no recordset saved by ADO"));
    // Nothing may follow the root but comments and processing instructions;
    // the reader checks well-formedness to the end.
    while (!m_reader.atEnd())
        NextToken();
    for (const FileColumn& c : m_columns)
        m_rowset.columns.push_back(c.info);
    return std::move(m_rowset);
}

void Loader::ReadSchema()
{
    bool haveRowType = false;
    while (NextChild()) {
        if (Is(kNsSchema, QLatin1String("ElementType"))) {
            if (haveRowType)
                Fail(QStringLiteral("describes more than one kind of row; hierarchical (shaped) recordsets cannot "
                                    "be opened"));
            haveRowType = true;
            ReadElementType();
        } else if (Is(kNsSchema, QLatin1String("AttributeType"))) {
            m_globalTypes.push_back(ReadAttributeType());
        } else {
            Skip();
        }
    }
    if (!haveRowType)
        Fail(kNotARecordset, QStringLiteral("has an s:Schema without an s:ElementType for its rows"));
    m_haveSchema = true;
}

void Loader::ReadElementType()
{
    const QString rowName = m_reader.attributes().value(QLatin1String("name")).toString();
    if (rowName.isEmpty())
        Fail(QStringLiteral("has an s:ElementType without a name"));
    m_rowElement = rowName;
    while (NextChild()) {
        if (Is(kNsSchema, QLatin1String("AttributeType"))) {
            m_columns.push_back(ReadAttributeType());
        } else if (Is(kNsSchema, QLatin1String("attribute"))) {
            const QString type = m_reader.attributes().value(QLatin1String("type")).toString();
            auto it = std::find_if(
                m_globalTypes.begin(), m_globalTypes.end(), [&type](const FileColumn& c) { return c.xmlName == type; });
            if (it == m_globalTypes.end())
                Fail(QStringLiteral("refers to the undeclared attribute type '%1'").arg(type));
            m_columns.push_back(*it);
            Skip();
        } else if (Is(kNsSchema, QLatin1String("ElementType"))) {
            Fail(QStringLiteral("holds a nested s:ElementType; hierarchical (shaped) recordsets cannot be opened"));
        } else {
            Skip();
        }
    }
    if (m_columns.empty())
        Fail(QStringLiteral("describes rows without any field"));

    // Fields stand in rs:number order when every field gives one.
    const bool allNumbered
        = std::all_of(m_columns.begin(), m_columns.end(), [](const FileColumn& c) { return c.number > 0; });
    if (allNumbered) {
        std::stable_sort(m_columns.begin(), m_columns.end(),
            [](const FileColumn& a, const FileColumn& b) { return a.number < b.number; });
        for (std::size_t i = 1; i < m_columns.size(); ++i) {
            if (m_columns[i].number == m_columns[i - 1].number)
                Fail(QStringLiteral("gives two fields the same rs:number %1").arg(m_columns[i].number));
        }
    }
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        if (m_columnByXmlName.contains(m_columns[i].xmlName))
            Fail(QStringLiteral("declares the field '%1' twice").arg(m_columns[i].xmlName));
        m_columnByXmlName.insert(m_columns[i].xmlName, static_cast<int>(i));
    }
}

FileColumn Loader::ReadAttributeType()
{
    FileColumn c;
    const QXmlStreamAttributes attrs = m_reader.attributes();
    c.xmlName = attrs.value(QLatin1String("name")).toString();
    if (c.xmlName.isEmpty())
        Fail(QStringLiteral("has an s:AttributeType without a name"));
    const QString originalName = RowsetAttribute(QLatin1String("name"));
    c.info.name = originalName.isEmpty() ? c.xmlName : originalName;
    const QString number = RowsetAttribute(QLatin1String("number"));
    if (!number.isEmpty()) {
        bool ok = false;
        c.number = number.toInt(&ok);
        if (!ok || c.number <= 0)
            Fail(QStringLiteral("gives the field '%1' the rs:number '%2', which is no ordinal")
                     .arg(c.info.name, number));
    }
    long attributes = 0;
    if (RowsetFlag(QLatin1String("nullable"), false))
        attributes |= adFldIsNullable;
    if (RowsetFlag(QLatin1String("maydefer"), false))
        attributes |= adFldMayDefer;
    if (RowsetFlag(QLatin1String("write"), false))
        attributes |= adFldUpdatable;
    if (RowsetFlag(QLatin1String("writeunknown"), false))
        attributes |= adFldUnknownUpdatable;
    if (RowsetFlag(QLatin1String("keycolumn"), false))
        attributes |= adFldKeyColumn;
    if (RowsetFlag(QLatin1String("rowid"), false))
        attributes |= adFldRowID;
    if (RowsetFlag(QLatin1String("rowver"), false))
        attributes |= adFldRowVersion;
    if (RowsetFlag(QLatin1String("cachedeferred"), false))
        attributes |= adFldCacheDeferred;

    // The data type may sit on the attribute type itself (plain XDR) or on
    // its s:datatype child (what ADO writes); the child wins.
    QString dtType;
    for (const QXmlStreamAttribute& a : attrs) {
        if (a.name() == QLatin1String("type") && a.namespaceUri().compare(kNsDataType, Qt::CaseInsensitive) == 0)
            dtType = a.value().toString();
    }
    QString dbType;
    QString maxLength;
    QString precision;
    QString scale;
    bool fixed = false;
    bool isLong = false;
    bool mayBeNull = true;
    while (NextChild()) {
        if (Is(kNsSchema, QLatin1String("datatype"))) {
            for (const QXmlStreamAttribute& a : m_reader.attributes()) {
                const bool inDt = a.namespaceUri().compare(kNsDataType, Qt::CaseInsensitive) == 0;
                const bool inRs = a.namespaceUri().compare(kNsRowset, Qt::CaseInsensitive) == 0;
                if (inDt && a.name() == QLatin1String("type"))
                    dtType = a.value().toString();
                else if (inDt && a.name() == QLatin1String("maxLength"))
                    maxLength = a.value().toString();
                else if (inRs && a.name() == QLatin1String("dbtype"))
                    dbType = a.value().toString();
            }
            precision = RowsetAttribute(QLatin1String("precision"));
            scale = RowsetAttribute(QLatin1String("scale"));
            fixed = RowsetFlag(QLatin1String("fixedlength"), false);
            isLong = RowsetFlag(QLatin1String("long"), false);
            mayBeNull = RowsetFlag(QLatin1String("maybenull"), true);
        }
        Skip();
    }
    // ADO cannot tell a number without its database type apart, and
    // refuses the file.
    if (dtType.compare(QLatin1String("number"), Qt::CaseInsensitive) == 0 && dbType.isEmpty())
        Fail(kProviderFailed,
            QStringLiteral("gives the field '%1' the data type 'number' without the rs:dbtype that says which number")
                .arg(c.info.name));
    const std::optional<ReadType> type = ReadTypeOf(dtType, dbType, fixed, isLong);
    if (!type)
        Fail(
            QStringLiteral("gives the field '%1' the data type '%2', which is none of ADO's").arg(c.info.name, dtType));
    c.info.type = type->adoType;
    c.kind = type->kind;
    if (fixed)
        attributes |= adFldFixed;
    if (isLong)
        attributes |= adFldLong;
    if (mayBeNull)
        attributes |= adFldMayBeNull;
    c.info.attributes = attributes;
    bool ok = false;
    const qlonglong size = maxLength.toLongLong(&ok);
    c.info.definedSize = ok && size >= 0 ? static_cast<long>(std::min<qlonglong>(size, kLongNarrowLength)) : 0;
    const int p = precision.toInt(&ok);
    c.info.precision = ok && p >= 0 && p <= 255 ? static_cast<unsigned char>(p) : 0;
    const int s = scale.toInt(&ok);
    c.info.numericScale = ok && s >= 0 && s <= 255 ? static_cast<unsigned char>(s) : 0;
    return c;
}

// Reads a z:row. A field the row leaves out is NULL (or, in the new image
// of an update, keeps its original value); one it names in rs:forcenull
// (space-separated XML names, as ADO writes a field set to NULL in a
// pending insert or update) is NULL whatever else the row says.
FileRow Loader::ReadRow()
{
    FileRow row { std::vector<Variant>(m_columns.size(), Variant::Null()), std::vector<bool>(m_columns.size(), false) };
    std::vector<std::size_t> forcedNull;
    for (const QXmlStreamAttribute& a : m_reader.attributes()) {
        if (!a.namespaceUri().isEmpty()) {
            if (a.name() != QLatin1String("forcenull") || a.namespaceUri().compare(kNsRowset, Qt::CaseInsensitive) != 0)
                continue; // the format's other annotations, never a field
            for (const QStringView name : a.value().tokenize(u' ', Qt::SkipEmptyParts)) {
                const QStringView trimmed = name.trimmed();
                if (trimmed.isEmpty())
                    continue;
                const auto it = m_columnByXmlName.constFind(trimmed.toString());
                if (it == m_columnByXmlName.cend())
                    Fail(
                        QStringLiteral("sets the value '%1' to NULL, which names no field of its schema").arg(trimmed));
                forcedNull.push_back(static_cast<std::size_t>(*it));
            }
            continue;
        }
        const auto it = m_columnByXmlName.constFind(a.name().toString());
        if (it == m_columnByXmlName.cend())
            Fail(QStringLiteral("has a row with the value '%1', which names no field of its schema").arg(a.name()));
        const FileColumn& column = m_columns[static_cast<std::size_t>(*it)];
        std::optional<Variant> value = ParseValue(a.value(), column.kind);
        if (!value) {
            QString shown = a.value().toString();
            if (shown.size() > 40)
                shown = shown.left(40) + QStringLiteral("...");
            Fail(kProviderFailed,
                QStringLiteral("gives the field '%1' the value '%2', which is no value of its type")
                    .arg(column.info.name, shown));
        }
        row.values[static_cast<std::size_t>(*it)] = std::move(*value);
        row.set[static_cast<std::size_t>(*it)] = true;
    }
    for (const std::size_t i : forcedNull) {
        row.values[i] = Variant::Null();
        row.set[i] = true;
    }
    Skip();
    return row;
}

void Loader::ReadData()
{
    auto isRow = [this] { return m_reader.name() == m_rowElement && IsIn(kNsRow); };
    while (NextChild()) {
        if (isRow()) {
            m_rowset.rows.push_back(ReadRow().values);
        } else if (Is(kNsRowset, QLatin1String("insert"))) {
            while (NextChild()) {
                if (!isRow())
                    Fail(QStringLiteral("holds <%1> inside rs:insert, where only rows belong")
                             .arg(m_reader.qualifiedName()));
                m_rowset.rows.push_back(ReadRow().values);
            }
        } else if (Is(kNsRowset, QLatin1String("delete"))) {
            // A deleted row is no current row: read (to check it) and drop.
            while (NextChild()) {
                if (!isRow())
                    Fail(QStringLiteral("holds <%1> inside rs:delete, where only rows belong")
                             .arg(m_reader.qualifiedName()));
                ReadRow();
            }
        } else if (Is(kNsRowset, QLatin1String("update"))) {
            std::optional<std::vector<Variant>> original;
            // The new image may come before or after rs:original; it
            // applies to it, so keep it until that is read.
            std::vector<FileRow> changes;
            while (NextChild()) {
                if (Is(kNsRowset, QLatin1String("original"))) {
                    while (NextChild()) {
                        if (!isRow() || original)
                            Fail(QStringLiteral("holds an rs:original that is not exactly one row"));
                        original = ReadRow().values;
                    }
                } else if (isRow()) {
                    changes.push_back(ReadRow());
                } else {
                    Fail(QStringLiteral("holds <%1> inside rs:update").arg(m_reader.qualifiedName()));
                }
            }
            if (!original)
                Fail(QStringLiteral("has an rs:update without its rs:original row"));
            std::vector<Variant> current = std::move(*original);
            for (FileRow& change : changes) {
                for (std::size_t i = 0; i < current.size(); ++i) {
                    if (change.set[i])
                        current[i] = std::move(change.values[i]);
                }
            }
            m_rowset.rows.push_back(std::move(current));
        } else {
            Skip();
        }
    }
}

} // namespace

void Save(Recordset& recordset, const QString& path)
{
    if (path.isEmpty())
        ThrowSaveError(platform::adErrInvalidArgument, QString::fromLatin1(adotext::kInvalidArgument));
    if (PathExists(path))
        ThrowSaveError(kFileExists, QStringLiteral("File already exists: %1").arg(path));

    std::shared_ptr<Fields> fields = recordset.GetFields();
    std::vector<SaveColumn> columns;
    const long count = fields->Count();
    for (long i = 0; i < count; ++i) {
        const std::shared_ptr<Field> f = fields->Item(static_cast<int>(i));
        SaveColumn c;
        c.info.name = f->Name();
        c.info.type = f->Type();
        c.info.definedSize = f->DefinedSize();
        c.info.attributes = f->Attributes();
        c.info.precision = f->Precision();
        c.info.numericScale = f->NumericScale();
        if (const std::optional<char32_t> bad = FirstNonXmlChar(c.info.name)) {
            ThrowSaveError(platform::adErrDataConversion,
                QStringLiteral("The name of field %1 holds the character U+%2, which an XML file cannot "
                               "hold; nothing was saved.")
                    .arg(i + 1)
                    .arg(static_cast<uint>(*bad), 4, 16, QLatin1Char('0')));
        }
        columns.push_back(std::move(c));
    }
    AssignXmlNames(columns);

    // A pending edit would have to be stored or dropped by moving; neither
    // is Save's to decide.
    if (recordset.EditMode() != adEditNone)
        ThrowSaveError(platform::adErrIllegalOperation, QString::fromLatin1(adotext::kIllegalOperation));

    // Collect the rows visible under the filter, in the recordset's order,
    // then put the cursor back where it stood.
    std::vector<std::vector<Variant>> rows;
    const bool wasEof = recordset.IsEOF();
    const bool wasBof = recordset.IsBOF();
    std::optional<Variant> bookmark;
    if (!wasEof && !wasBof) {
        try {
            bookmark = recordset.Bookmark();
        } catch (const ComError&) {
            // No bookmarks (a forward-only recordset): it is left on its
            // first row afterwards, as ADO leaves every recordset it saves.
        }
    }
    if (!(wasEof && wasBof)) {
        recordset.MoveFirst();
        while (!recordset.IsEOF()) {
            std::vector<Variant> row;
            row.reserve(columns.size());
            for (long i = 0; i < count; ++i)
                row.push_back(fields->Item(static_cast<int>(i))->Value());
            rows.push_back(std::move(row));
            recordset.MoveNext();
        }
        // Putting the cursor back is a courtesy: where the recordset cannot
        // move back (forward-only) it stays on its first row, and the
        // rows are saved all the same.
        try {
            if (bookmark) {
                recordset.SetBookmark(*bookmark);
            } else if (!wasEof) {
                recordset.MoveFirst();
                if (wasBof)
                    recordset.MovePrevious();
            }
        } catch (const ComError&) {
        }
    }

    bool updatable = true;
    try {
        updatable = recordset.LockType() != adLockReadOnly;
    } catch (const ComError&) {
        updatable = true;
    }
    const QByteArray document = BuildDocument(columns, rows, updatable);
    WriteNewFile(path, document);
}

Rowset Load(const QString& path)
{
    QFile file(path);
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        throw ComError(
            adErrOpeningFile, QStringLiteral("File could not be opened: %1 does not exist.").arg(path), kPersistSource);
    }
    if (info.isDir() || !file.open(QIODevice::ReadOnly)) {
        throw ComError(adErrOpeningFile,
            QStringLiteral("File could not be opened: %1 (%2).")
                .arg(path, info.isDir() ? QStringLiteral("it is a folder") : file.errorString()),
            kPersistSource);
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw ComError(adErrReadFile, QStringLiteral("File could not be read: %1 (%2).").arg(path, file.errorString()),
            kPersistSource);
    }
    Loader loader(EscapeRawLineBreaks(bytes), path);
    return loader.Read();
}

} // namespace engine::xmlpersist
