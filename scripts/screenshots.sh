#!/usr/bin/env bash
# Renders app/screenshots/main-window.png, about.png and summary.png from the real window classes on
# Qt's offscreen platform, so no display is needed. BUILD_DIR defaults to the dev preset's.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build/dev}
[ -f "$build/CMakeCache.txt" ] || cmake --preset dev -B "$build" >/dev/null
cmake --build "$build" --target kivo_screenshots -j 2
mkdir -p app/screenshots
QT_QPA_PLATFORM=offscreen "$build/app/kivo_screenshots" app/screenshots
echo "Written: app/screenshots/main-window.png app/screenshots/about.png app/screenshots/summary.png"
