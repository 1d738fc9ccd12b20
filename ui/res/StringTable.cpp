// The program's string table. It holds one entry, the About item that the
// main menu puts on its window menu.
#include "ui/res/StringTable.h"

#include "ui/res/ResourceIds.h"

namespace res {

QString LoadResourceString(int id)
{
    switch (id) {
    case IDS_ABOUTBOX:
        return QStringLiteral("关于 Lexitrain(&A)...");
    default:
        return {};
    }
}

} // namespace res
