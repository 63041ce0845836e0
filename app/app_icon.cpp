#include "app/app_icon.h"

namespace kivo::app {

QIcon applicationIcon()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/kivo/icons/kivo-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/kivo/icons/kivo-32.png"), QSize(32, 32));
    return icon;
}

} // namespace kivo::app
