// Variant's constructors and raw reads. The value area is kept as eight
// little-endian bytes so that reading a narrower member than was written
// gives what OLE's union would give.
#include "platform/Variant.h"

#include <cstring>

namespace platform {

template <typename T>
Variant Variant::Raw(VARTYPE vt, T value)
{
    static_assert(sizeof(T) <= 8);
    Variant v;
    v.m_vt = vt;
    std::memcpy(&v.m_raw, &value, sizeof(T));
    return v;
}

Variant Variant::Null()
{
    Variant v;
    v.m_vt = VT_NULL;
    return v;
}

Variant Variant::Missing() { return FromError(DISP_E_PARAMNOTFOUND); }
Variant Variant::FromError(std::int32_t scode) { return Raw(VT_ERROR, scode); }
Variant Variant::FromI1(std::int8_t v) { return Raw(VT_I1, v); }
Variant Variant::FromI2(std::int16_t v) { return Raw(VT_I2, v); }
Variant Variant::FromI4(std::int32_t v) { return Raw(VT_I4, v); }
Variant Variant::FromInt(std::int32_t v) { return Raw(VT_INT, v); }
Variant Variant::FromI8(std::int64_t v) { return Raw(VT_I8, v); }
Variant Variant::FromUI1(std::uint8_t v) { return Raw(VT_UI1, v); }
Variant Variant::FromUI2(std::uint16_t v) { return Raw(VT_UI2, v); }
Variant Variant::FromUI4(std::uint32_t v) { return Raw(VT_UI4, v); }
Variant Variant::FromUI8(std::uint64_t v) { return Raw(VT_UI8, v); }
Variant Variant::FromR4(float v) { return Raw(VT_R4, v); }
Variant Variant::FromR8(double v) { return Raw(VT_R8, v); }
Variant Variant::FromCy(std::int64_t v) { return Raw(VT_CY, v); }
Variant Variant::FromDate(double v) { return Raw(VT_DATE, v); }
Variant Variant::FromBool(bool v) { return Raw(VT_BOOL, v ? VARIANT_TRUE : VARIANT_FALSE); }

Variant Variant::FromBstr(const QString& v)
{
    Variant r;
    r.m_vt = VT_BSTR;
    r.m_str = v;
    return r;
}

Variant Variant::FromDecimal(const DECIMAL& d)
{
    Variant r = Raw(VT_DECIMAL, d.Lo64);
    r.m_decScale = d.scale;
    r.m_decSign = d.sign;
    r.m_decHi32 = d.Hi32;
    return r;
}

Variant Variant::FromBytes(const QByteArray& v)
{
    Variant r;
    r.m_vt = VT_ARRAY | VT_UI1;
    r.m_bytes = v;
    return r;
}

bool Variant::IsMissing() const { return m_vt == VT_ERROR && scode() == DISP_E_PARAMNOTFOUND; }

namespace {
template <typename T>
T ReadRaw(std::uint64_t raw)
{
    T t;
    std::memcpy(&t, &raw, sizeof(T));
    return t;
}
}  // namespace

std::int8_t Variant::cVal() const { return ReadRaw<std::int8_t>(m_raw); }
std::int16_t Variant::iVal() const { return ReadRaw<std::int16_t>(m_raw); }
std::int32_t Variant::lVal() const { return ReadRaw<std::int32_t>(m_raw); }
std::int64_t Variant::llVal() const { return ReadRaw<std::int64_t>(m_raw); }
std::uint8_t Variant::bVal() const { return ReadRaw<std::uint8_t>(m_raw); }
std::uint16_t Variant::uiVal() const { return ReadRaw<std::uint16_t>(m_raw); }
std::uint32_t Variant::ulVal() const { return ReadRaw<std::uint32_t>(m_raw); }
std::uint64_t Variant::ullVal() const { return ReadRaw<std::uint64_t>(m_raw); }
float Variant::fltVal() const { return ReadRaw<float>(m_raw); }
double Variant::dblVal() const { return ReadRaw<double>(m_raw); }

DECIMAL Variant::decVal() const
{
    DECIMAL d;
    d.scale = m_decScale;
    d.sign = m_decSign;
    d.Hi32 = m_decHi32;
    d.Lo64 = m_raw;
    return d;
}

bool Variant::operator==(const Variant& o) const
{
    return m_vt == o.m_vt && m_raw == o.m_raw && m_decScale == o.m_decScale && m_decSign == o.m_decSign
        && m_decHi32 == o.m_decHi32 && m_str == o.m_str && m_bytes == o.m_bytes;
}

QString Variant::DebugString() const
{
    switch (m_vt) {
    case VT_EMPTY: return QStringLiteral("VT_EMPTY");
    case VT_NULL: return QStringLiteral("VT_NULL");
    case VT_BSTR: return QStringLiteral("VT_BSTR:") + m_str;
    case VT_R4: return QStringLiteral("VT_R4:%1").arg(fltVal());
    case VT_R8: return QStringLiteral("VT_R8:%1").arg(dblVal());
    case VT_DATE: return QStringLiteral("VT_DATE:%1").arg(dblVal(), 0, 'f', 6);
    case VT_ARRAY | VT_UI1: return QStringLiteral("VT_ARRAY|VT_UI1:%1 bytes").arg(m_bytes.size());
    case VT_UI8: return QStringLiteral("VT_UI8:%1").arg(ullVal());
    default: return QStringLiteral("VT_%1:%2").arg(m_vt).arg(llVal());
    }
}

}  // namespace platform
