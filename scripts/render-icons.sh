#!/usr/bin/env bash
# Renders the icon's PNG images from their SVG sources, one for each size a desktop asks
# for, so that no window or menu scales a smaller one up. The PNGs are committed, so the
# build needs no SVG renderer; run this after changing an SVG (needs librsvg2-bin), then
# win32/make_icon.py.
set -euo pipefail
cd "$(dirname "$0")/../app/icons"
rsvg-convert -w 16 -h 16 kivo-16.svg -o kivo-16.png
for size in 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" kivo.svg -o "kivo-$size.png"
done
