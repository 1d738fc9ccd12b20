// Private to the engine: ADO's XML persistence format (the rowset schema
// with s:Schema / s:ElementType / s:AttributeType / s:datatype, and rs:data
// with z:row), written from a recordset and read back into columns and rows.
#pragma once

#include "engine/ado/Recordset.h"

#include <QString>
#include <vector>

namespace engine::xmlpersist {

struct Rowset {
    std::vector<ColumnInfo> columns;
    std::vector<std::vector<platform::Variant>>
        rows; // current values: pending inserts and updates applied, deletes removed
};

// Writes the rows of the recordset to a new file: as ADO does, the rows its
// filter lets through, in its current order; the position is restored (a
// recordset without bookmarks is left on its first row, as ADO leaves it).
// An existing file is refused with 0x80070050 (what creating a file that
// exists gives on Windows) and left as it was; an edit in progress is
// refused with adErrIllegalOperation; a value XML cannot hold (a control
// character) with adErrDataConversion; a NaN or infinite number, as ADO
// refuses it, with 0x80040E21 "Multiple-step operation generated errors.
// Check each status value." Throws platform::ComError on failure; a
// failure leaves no file behind.
void Save(Recordset& recordset, const QString& path);

// Reads a file written by Save or by ADO itself. Throws platform::ComError
// for a missing, malformed or foreign file: E_FAIL with ADO's own text (for
// a file that holds no recordset, for XML that is incomplete or invalid, for
// a value that cannot be converted) followed by the file and the reason.
// Never fetches anything from outside the file (no external entities or
// DTDs).
Rowset Load(const QString& path);

} // namespace engine::xmlpersist
