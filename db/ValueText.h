// Private to the access layer: the text of a value, shared by the
// recordset's text getter and the parameter's. Integers are written as the
// runtime's _itoa/_ltoa write them, reals as gcvt writes them (10
// significant digits for a single, 20 asked for a double or decimal), dates
// with a strftime-style format.
#pragma once

#include "platform/Variant.h"

#include <QString>
#include <optional>

namespace db {

// The default date format of the text getters.
inline const QString& DefaultDateFormat()
{
    static const QString format = QStringLiteral("%Y-%m-%d %H:%M:%S");
    return format;
}

// The text of VT_EMPTY and VT_NULL (empty), VT_I2, VT_UI1, VT_I4, VT_INT,
// VT_R4, VT_R8, VT_DECIMAL, VT_DATE (with dateFormat, or the default when it
// is empty) and VT_BSTR; absent for every other type.
std::optional<QString> CommonValueText(const platform::Variant& value, const QString& dateFormat);

} // namespace db
