#!/usr/bin/env bash
# Renders the icon's PNG images from their SVG sources. The PNGs are committed, so the
# build needs no SVG renderer; run this after changing an SVG (needs librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../app/icons"
rsvg-convert -w 32 -h 32 kivo.svg -o kivo-32.png
rsvg-convert -w 16 -h 16 kivo-16.svg -o kivo-16.png
