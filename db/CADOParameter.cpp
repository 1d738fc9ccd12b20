// CADOParameter over engine::Parameter, with the value conversions of the
// layer. The numeric reads take the raw 16- and 32-bit members of the value
// whatever its type, as the layer always has.
#include "db/CADOParameter.h"

#include "db/ComErrorReport.h"
#include "db/ComObject.h"
#include "db/ValueText.h"
#include "engine/ado/Parameter.h"
#include "platform/NumberText.h"

using db::Use;
using platform::ComError;
using platform::Variant;

namespace {
// The Size given to a parameter of size 0 by each SetValue.
constexpr long kSizeOfInt = 4;
constexpr long kSizeOfLong = 4;
constexpr long kSizeOfDouble = 8;
constexpr long kSizeOfDate = 8;
constexpr long kSizeOfVariant = 16;
} // namespace

CADOParameter::CADOParameter(int nType, long lSize, int nDirection, const QString& strName)
    : m_pParameter(db::CreateOrNull<engine::Parameter>())
    , m_nType(0)
    , m_dwLastError(0)
{
    Use(m_pParameter).SetDirection(nDirection);
    m_strName = strName;
    Use(m_pParameter).SetName(m_strName);
    Use(m_pParameter).SetType(nType);
    Use(m_pParameter).SetSize(lSize);
    m_nType = nType;
}

CADOParameter::~CADOParameter()
{
    m_pParameter.reset();
    m_strName.clear();
}

bool CADOParameter::StoreValue(const Variant& value, long lSizeWhenZero)
{
    try {
        if (Use(m_pParameter).Size() == 0)
            Use(m_pParameter).SetSize(lSizeWhenZero);
        Use(m_pParameter).SetValue(value);
        return true;
    } catch (const ComError& e) {
        ReportComError(e);
        return false;
    }
}

bool CADOParameter::LoadValue(Variant& value)
{
    try {
        value = Use(m_pParameter).Value();
        return true;
    } catch (const ComError& e) {
        ReportComError(e);
        return false;
    }
}

bool CADOParameter::SetValue(int nValue)
{
    return StoreValue(Variant::FromI2(static_cast<std::int16_t>(nValue)), kSizeOfInt);
}

bool CADOParameter::SetValue(long lValue)
{
    return StoreValue(Variant::FromI4(static_cast<std::int32_t>(lValue)), kSizeOfLong);
}

bool CADOParameter::SetValue(double dblValue)
{
    return StoreValue(Variant::FromR8(dblValue), kSizeOfDouble);
}

bool CADOParameter::SetValue(const QString& strValue)
{
    const Variant value = strValue.isEmpty() ? Variant::Null() : Variant::FromBstr(strValue);
    return StoreValue(value, static_cast<long>(strValue.size()));
}

bool CADOParameter::SetValue(const platform::OleDateTime& time)
{
    return StoreValue(Variant::FromDate(time.m_dt), kSizeOfDate);
}

bool CADOParameter::SetValue(const Variant& vtValue)
{
    return StoreValue(vtValue, kSizeOfVariant);
}

bool CADOParameter::GetValue(int& nValue)
{
    Variant v;
    if (!LoadValue(v))
        return false;
    if (v.IsEmpty() || v.IsNull())
        nValue = 0;
    else if (v.vt() == platform::VT_INT)
        nValue = v.intVal();
    else
        nValue = v.iVal();
    return true;
}

bool CADOParameter::GetValue(long& lValue)
{
    Variant v;
    if (!LoadValue(v))
        return false;
    lValue = v.IsEmpty() || v.IsNull() ? 0 : v.lVal();
    return true;
}

bool CADOParameter::GetValue(double& dbValue)
{
    Variant v;
    if (!LoadValue(v))
        return false;
    using namespace platform;
    switch (v.vt()) {
    case VT_I2:
        dbValue = v.iVal();
        break;
    case VT_I4:
    case VT_INT:
        dbValue = v.lVal();
        break;
    case VT_UI1:
        dbValue = v.bVal();
        break;
    case VT_R4:
        dbValue = v.fltVal();
        break;
    case VT_R8:
        dbValue = v.dblVal();
        break;
    case VT_DECIMAL:
        dbValue = DecimalToDouble(v.decVal());
        break;
    default:
        dbValue = 0.0;
        break; // VT_EMPTY, VT_NULL and every type without a number
    }
    return true;
}

bool CADOParameter::GetValue(QString& strValue, QString strDateFormat)
{
    Variant v;
    if (!LoadValue(v))
        return false;
    const std::optional<QString> text = db::CommonValueText(v, strDateFormat);
    if (!text)
        return false;
    strValue = *text;
    return true;
}

bool CADOParameter::GetValue(platform::OleDateTime& time)
{
    Variant v;
    if (!LoadValue(v))
        return false;
    if (v.IsEmpty() || v.IsNull()) {
        time.SetStatus(platform::OleDateTime::null);
        return true;
    }
    if (v.vt() != platform::VT_DATE)
        return false;
    time.m_dt = v.date();
    time.SetStatus(platform::OleDateTime::valid);
    return true;
}

bool CADOParameter::GetValue(Variant& vtValue)
{
    return LoadValue(vtValue);
}

void CADOParameter::ReportComError(const ComError& e)
{
    const QString report = FormatComErrorReport(QStringLiteral("CADOParameter Error"), e);
    m_strLastError = report;
    m_dwLastError = static_cast<std::uint32_t>(e.Error());
    ShowComErrorReport(report);
}
