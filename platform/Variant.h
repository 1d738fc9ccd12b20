// A tagged value in the manner of OLE Automation's VARIANT: every value that
// crosses the database layer travels in one, carrying the VT_ tag that the
// conversion tables of the access layer switch on. Besides typed access it
// offers the raw member reads (iVal, lVal, ...) that read the first bytes of
// the value area whatever the tag says, because the access layer's getters
// are defined in those terms (an int read of a VT_I4 keeps its low 16 bits).
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace platform {

using VARTYPE = std::uint16_t;

enum : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_DECIMAL = 14,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_ARRAY = 0x2000,
};

constexpr std::int16_t VARIANT_TRUE = -1;
constexpr std::int16_t VARIANT_FALSE = 0;

// The scode that marks an optional argument as left out.
constexpr std::int32_t DISP_E_PARAMNOTFOUND = static_cast<std::int32_t>(0x80020004u);

// OLE's 96-bit scaled integer. sign is 0x80 for negative values.
struct DECIMAL {
    std::uint8_t scale = 0;
    std::uint8_t sign = 0;
    std::uint32_t Hi32 = 0;
    std::uint64_t Lo64 = 0;
    bool operator==(const DECIMAL&) const = default;
};

class Variant {
public:
    Variant() = default;  // VT_EMPTY

    static Variant Null();
    static Variant Missing();  // VT_ERROR holding DISP_E_PARAMNOTFOUND
    static Variant FromError(std::int32_t scode);
    static Variant FromI1(std::int8_t v);
    static Variant FromI2(std::int16_t v);
    static Variant FromI4(std::int32_t v);
    static Variant FromInt(std::int32_t v);  // VT_INT
    static Variant FromI8(std::int64_t v);
    static Variant FromUI1(std::uint8_t v);
    static Variant FromUI2(std::uint16_t v);
    static Variant FromUI4(std::uint32_t v);
    static Variant FromUI8(std::uint64_t v);
    static Variant FromR4(float v);
    static Variant FromR8(double v);
    static Variant FromCy(std::int64_t v);  // currency in 1/10000 units
    static Variant FromDate(double v);      // OLE date: days since 30 Dec 1899
    static Variant FromBstr(const QString& v);
    static Variant FromBool(bool v);
    static Variant FromDecimal(const DECIMAL& v);
    static Variant FromBytes(const QByteArray& v);  // VT_ARRAY | VT_UI1

    VARTYPE vt() const { return m_vt; }
    bool IsEmpty() const { return m_vt == VT_EMPTY; }
    bool IsNull() const { return m_vt == VT_NULL; }
    bool IsMissing() const;

    // Raw reads of the value area, with no regard for the tag. A VT_BSTR,
    // VT_ARRAY or VT_EMPTY has an all-zero value area here.
    std::int8_t cVal() const;
    std::int16_t iVal() const;
    std::int32_t lVal() const;
    std::int32_t intVal() const { return lVal(); }
    std::int64_t llVal() const;
    std::uint8_t bVal() const;
    std::uint16_t uiVal() const;
    std::uint32_t ulVal() const;
    std::uint64_t ullVal() const;
    float fltVal() const;
    double dblVal() const;
    std::int64_t cyVal() const { return llVal(); }
    double date() const { return dblVal(); }
    std::int16_t boolVal() const { return iVal(); }
    std::int32_t scode() const { return lVal(); }

    const QString& bstrVal() const { return m_str; }
    const QByteArray& bytes() const { return m_bytes; }
    // For VT_DECIMAL; the value area then holds the low 64 bits of the
    // mantissa, as in OLE where the DECIMAL overlays the whole VARIANT.
    DECIMAL decVal() const;

    // Exact equality of tag and value (used by tests and by bookmark compares).
    bool operator==(const Variant& other) const;
    bool operator!=(const Variant& other) const { return !(*this == other); }

    // A short human-readable form for diagnostics: "VT_I4:5".
    QString DebugString() const;

private:
    template <typename T>
    static Variant Raw(VARTYPE vt, T value);

    VARTYPE m_vt = VT_EMPTY;
    std::uint64_t m_raw = 0;  // the 8-byte value area, little-endian
    std::uint8_t m_decScale = 0;
    std::uint8_t m_decSign = 0;
    std::uint32_t m_decHi32 = 0;
    QString m_str;
    QByteArray m_bytes;
};

}  // namespace platform
