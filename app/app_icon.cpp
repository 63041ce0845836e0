#include "app/app_icon.h"

namespace kivo::app {

QIcon applicationIcon()
{
    QIcon icon;
    for (const int size : kIconSizes)
        icon.addFile(QStringLiteral(":/kivo/icons/kivo-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace kivo::app
