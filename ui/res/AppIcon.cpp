// Loads the icon images from the Qt resource. The resource is compiled into
// the static ui library, whose object the linker would drop unless something
// refers to it, hence the explicit initialisation.
#include "ui/res/AppIcon.h"

#include "ui/res/ResourceIds.h"

// Q_INIT_RESOURCE has to be used outside any namespace.
static void InitIconResource()
{
    Q_INIT_RESOURCE(lexitrain);
}

namespace res {

QIcon LoadAppIcon(int id)
{
    if (id != IDR_MAINFRAME)
        return {};
    static const bool initialised = (InitIconResource(), true);
    (void)initialised;
    QIcon icon;
    icon.addFile(QStringLiteral(":/lexitrain/icon16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/lexitrain/icon32.png"), QSize(32, 32));
    return icon;
}

} // namespace res
