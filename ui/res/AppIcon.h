// The application icon, resource 128: a 16x16 and a 32x32 image kept in the
// Qt resource lexitrain.qrc beside this file.
#pragma once

#include <QIcon>

namespace res {

// Both sizes of the icon with this resource ID; a null icon for any other.
QIcon LoadAppIcon(int id);

} // namespace res
