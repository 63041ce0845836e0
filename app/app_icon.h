#pragma once

#include <QIcon>

#include <array>

namespace kivo::app {

// The sizes a desktop asks an application icon for, in pixels: menus and title bars at
// every scale up to 200 %, task switchers, and file managers' largest view.
inline constexpr std::array<int, 7> kIconSizes = {16, 24, 32, 48, 64, 128, 256};

// Kivo's icon with an image drawn for each of kIconSizes, so that none is scaled up.
QIcon applicationIcon();

} // namespace kivo::app
