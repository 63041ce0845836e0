#pragma once

#include <QIcon>

namespace kivo::app {

// Kivo's icon in its 16 x 16 and 32 x 32 images.
QIcon applicationIcon();

} // namespace kivo::app
