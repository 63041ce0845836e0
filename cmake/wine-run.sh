#!/usr/bin/env bash
# Runs one Windows program under Wine as a Japanese Windows PC would: Wine takes its ANSI
# code page from the locale, so LANG=ja_JP.UTF-8 gives code page 932. CMake uses this as
# the emulator of the Windows build, so ctest runs every test through it.
#
#   wine-run.sh PROGRAM.exe [ARGS...]
#
# With WINEPREFIX set (make test-windows sets one up for the whole run), that prefix is
# used; otherwise a throw-away one is made and removed afterwards. Each program gets
# KIVO_WINE_TIMEOUT seconds (default 120) and is then killed, so a hung program cannot
# hang CI.
set -euo pipefail

wine=""
for candidate in wine64 wine /usr/lib/wine/wine64; do
  if command -v "$candidate" >/dev/null 2>&1; then wine=$(command -v "$candidate"); break; fi
done
if [ -z "$wine" ]; then
  echo "wine-run.sh: Wine is not installed (Debian: apt-get install wine64)" >&2
  exit 127
fi
wineserver=$(dirname "$wine")/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)

export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
# No debug chatter on stderr (tests compare it), and no offer to download Mono or Gecko
# into a new prefix. Windows appear only on the private display that wine-session.sh
# starts (KIVO_WINE_DISPLAY), never on the desktop of whoever runs the tests.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
if [ -n "${KIVO_WINE_DISPLAY:-}" ]; then export DISPLAY=$KIVO_WINE_DISPLAY; fi

own_prefix=""
if [ -z "${WINEPREFIX:-}" ]; then
  own_prefix=$(mktemp -d "${TMPDIR:-/tmp}/kivo-wine.XXXXXX")
  export WINEPREFIX=$own_prefix
  trap 'WINEPREFIX=$own_prefix timeout 20 "$wineserver" -k >/dev/null 2>&1 || true; rm -rf "$own_prefix"' EXIT
fi

timeout -k 10 "${KIVO_WINE_TIMEOUT:-120}" "$wine" "$@"
