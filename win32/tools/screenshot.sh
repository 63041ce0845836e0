#!/usr/bin/env bash
# Renders win32/screenshots/main-window.png: Kivo.exe's window under Wine on a virtual
# display, with IPA PGothic standing in for MS PGothic in the throw-away Wine prefix (see
# cmake/wine-prefix.reg). Needs what make test-windows installs, and python3.
#
#   screenshot.sh [--no-virtual-desktop]
#
# --no-virtual-desktop runs Wine without its virtual desktop, into which drops crash Wine 8:
# the window is an X window of its own, as it is when files are really dragged onto it. To
# try such drags by hand, on your own display:
#   KIVO_WINE_DESKTOP=off KIVO_WINE_DISPLAY=$DISPLAY cmake/wine-session.sh \
#     cmake/wine-run.sh build/windows/win32/Kivo.exe
set -euo pipefail
if [ "${1:-}" = --no-virtual-desktop ]; then
  export KIVO_WINE_DESKTOP=off
  shift
fi
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"

cmake --preset windows >/dev/null
cmake --build --preset windows --target kivo_win32_screenshot
work=$(mktemp -d "${TMPDIR:-/tmp}/kivo-shot.XXXXXX")
trap 'rm -rf "$work"' EXIT
cmake/wine-session.sh cmake/wine-run.sh build/windows/win32/kivo_win32_screenshot.exe "Z:${work//\//\\}\\window.bmp"

# BMP to PNG with the standard library alone.
python3 - "$work/window.bmp" win32/screenshots/main-window.png <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
offset = struct.unpack_from("<I", data, 10)[0]
width, height = struct.unpack_from("<ii", data, 18)
stride = (width * 3 + 3) & ~3
rows = []
for y in range(height - 1, -1, -1):
    line = data[offset + y * stride: offset + y * stride + width * 3]
    rows.append(b"\0" + bytes(b for i in range(0, len(line), 3) for b in (line[i + 2], line[i + 1], line[i])))
def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
png += chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b"")
open(sys.argv[2], "wb").write(png)
PY
echo "Wrote win32/screenshots/main-window.png"
