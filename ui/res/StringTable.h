// The resource string table: texts that code loads by number rather than
// writing inline, so that a dialog can tell "present" from "missing".
#pragma once

#include <QString>

namespace res {

// The string with this ID; an empty string when the table has none.
QString LoadResourceString(int id);

} // namespace res
