// The text conversions that the recordset and the parameter share.
#include "db/ValueText.h"

#include "platform/NumberText.h"
#include "platform/OleDateTime.h"

namespace db {

std::optional<QString> CommonValueText(const platform::Variant& value, const QString& dateFormat)
{
    using namespace platform;
    switch (value.vt()) {
    case VT_EMPTY:
    case VT_NULL:
        return QString();
    case VT_I2:
        return Itoa(value.iVal());
    case VT_UI1:
        return Itoa(value.bVal());
    case VT_I4:
        return Ltoa(value.lVal());
    case VT_INT:
        return Itoa(value.intVal());
    case VT_R4:
        return Gcvt(static_cast<double>(value.fltVal()), 10);
    case VT_R8:
        return Gcvt(value.dblVal(), 20);
    case VT_DECIMAL:
        return Gcvt(DecimalToDouble(value.decVal()), 20);
    case VT_DATE:
        return OleDateTime(value.date()).Format(dateFormat.isEmpty() ? DefaultDateFormat() : dateFormat);
    case VT_BSTR:
        return value.bstrVal();
    default:
        return std::nullopt;
    }
}

} // namespace db
