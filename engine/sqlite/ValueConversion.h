// Private to the engine: the conversions between the values a caller puts
// and reads (platform::Variant, typed by the field's ADO type) and the
// values SQLite stores. Reading gives the field's VT type; writing converts
// as Jet does and refuses, writing nothing, what cannot be converted.
#pragma once

#include "engine/sqlite/StoredValue.h"
#include "platform/Variant.h"

#include <QString>

namespace engine {

// The value of a field of ADO type adoType, as read from the data file. A
// stored value that does not fit the type (another tool's text in a number
// column) is handed out as it is stored rather than refused.
platform::Variant VariantFromStored(const StoredRef& value, long adoType);

// A parameter or criteria value in stored form, with no field type to obey:
// numbers stay numbers, dates become their stored text, booleans -1/0.
StoredValue StoredFromVariant(const platform::Variant& value);

// The stored form of a value put into a field. Throws ComError
// DB_E_CANTCONVERTVALUE when the value cannot become the field's type and
// DB_E_DATAOVERFLOW when a number is out of the field's range; fieldName is
// used in the description.
StoredValue StoredForField(const platform::Variant& value, long adoType, const QString& fieldName);

// The text form of a value, as VariantChangeType to BSTR gives it (dates
// "YYYY-MM-DD" or "YYYY-MM-DD HH:MM:SS", booleans "True"/"False").
QString DisplayText(const platform::Variant& value);

// Whether an ADO type holds text, or binary data.
bool IsTextType(long adoType);
bool IsBinaryType(long adoType);
bool IsLongType(long adoType);

} // namespace engine
