#!/usr/bin/env bash
# Runs a command (ctest) with one throw-away Wine prefix for all the Windows programs it
# starts through wine-run.sh: the prefix is made once up front (Wine takes several seconds
# to set one up), its wineserver is stopped afterwards and the prefix removed. The session
# has a display of its own, a virtual one (Xvfb), for the window tests.
#
#   wine-session.sh COMMAND [ARGS...]
#
# With KIVO_WINE_DESKTOP=off the prefix gets no virtual desktop (see wine-prefix.reg): the
# windows are X windows of their own, into which files can really be dragged.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)

if [ -z "${KIVO_WINE_DISPLAY:-}" ]; then
  if ! command -v xvfb-run >/dev/null 2>&1; then
    echo "wine-session.sh: xvfb-run is missing (Debian: apt-get install xvfb xauth)" >&2
    exit 127
  fi
  # Every Wine program of the session, the prefix's own included, then sees this display.
  exec xvfb-run -a -s "-screen 0 1024x768x24" env KIVO_WINE_DISPLAY=session "$0" "$@"
fi
if [ "$KIVO_WINE_DISPLAY" = session ]; then export KIVO_WINE_DISPLAY=$DISPLAY; fi

wineserver=""
for candidate in wineserver /usr/lib/wine/wineserver; do
  if command -v "$candidate" >/dev/null 2>&1; then wineserver=$(command -v "$candidate"); break; fi
done

export WINEPREFIX
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/kivo-wine.XXXXXX")
cleanup() {
  [ -n "$wineserver" ] && timeout 20 "$wineserver" -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

# The prefix's Z: drive is the Unix root.
winepath_of() { printf 'Z:%s' "${1//\//\\}"; }

# wineboot sets the prefix up; its complaints about a missing 32-bit Wine are harmless.
KIVO_WINE_TIMEOUT=180 "$here/wine-run.sh" wineboot --init >/dev/null 2>&1 || {
  echo "wine-session.sh: could not set up a Wine prefix" >&2
  exit 1
}
# Wine draws the caption buttons with its Marlett font (fonts-wine), which a new prefix
# does not pick up by itself on Debian.
if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
fi
# The prefix's settings (wine-prefix.reg), in place before any test starts the desktop.
reg="$WINEPREFIX/kivo-prefix.reg"
settings() {
  if [ "${KIVO_WINE_DESKTOP:-on}" = off ]; then
    # Every section of the virtual desktop's, with its values, is left out.
    awk '/^\[/ { skip = index($0, "\\Wine\\Explorer") > 0 } !skip' "$here/wine-prefix.reg"
  else
    cat "$here/wine-prefix.reg"
  fi
}
{ printf '\xff\xfe'; settings | iconv -f UTF-8 -t UTF-16LE; } >"$reg"
KIVO_WINE_TIMEOUT=60 "$here/wine-run.sh" regedit /S "$(winepath_of "$reg")" >/dev/null 2>&1 || {
  echo "wine-session.sh: could not set up the Wine prefix's settings" >&2
  exit 1
}
[ -n "$wineserver" ] && timeout 60 "$wineserver" -w || true

"$@"
