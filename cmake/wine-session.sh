#!/usr/bin/env bash
# Runs a command (ctest) with one throw-away Wine prefix for all the Windows programs it
# starts through wine-run.sh: the prefix is made once up front (Wine takes several seconds
# to set one up), its wineserver is stopped afterwards and the prefix removed.
#
#   wine-session.sh COMMAND [ARGS...]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
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

# wineboot sets the prefix up; its complaints about a missing 32-bit Wine are harmless.
KIVO_WINE_TIMEOUT=180 "$here/wine-run.sh" wineboot --init >/dev/null 2>&1 || {
  echo "wine-session.sh: could not set up a Wine prefix" >&2
  exit 1
}
[ -n "$wineserver" ] && timeout 60 "$wineserver" -w || true

"$@"
