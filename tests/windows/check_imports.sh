#!/usr/bin/env bash
# Checks that Windows programs run as they are on a Windows 7 PC with nothing installed:
# they import only DLLs that every Windows has, none of the C runtime's newer DLLs nor
# MinGW's own, and their subsystem version is one that Windows 7 (6.1) loads.
#
#   check_imports.sh OBJDUMP PROGRAM.exe...
set -euo pipefail

objdump=$1
shift
# Windows' own DLLs, in lower case. msvcrt.dll is the system's C runtime, in every
# Windows since 2000; the ucrt's api-ms-win-crt-* DLLs are not on a Windows 7 left as it is.
allowed=" kernel32.dll user32.dll gdi32.dll shell32.dll comctl32.dll advapi32.dll msvcrt.dll "
# Functions that Windows 7's DLLs do not export but toolchains reach for.
too_new="GetSystemTimePreciseAsFileTime|CreateFile2|SetThreadDescription|GetDpiForWindow|SetProcessDpiAwarenessContext|GetDpiForSystem|AreDpiAwarenessContextsEqual"

status=0
for program in "$@"; do
  name=$(basename "$program")
  dump=$("$objdump" -p "$program")
  dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump" | tr 'A-Z' 'a-z')
  if [ -z "$dlls" ]; then
    echo "$name: no import table found"; status=1
  fi
  for dll in $dlls; do
    case "$allowed" in
      *" $dll "*) ;;
      *) echo "$name imports $dll, which is not part of Windows"; status=1 ;;
    esac
  done
  if grep -Eqw "$too_new" <<<"$dump"; then
    echo "$name imports functions that Windows 7 lacks: $(grep -Eow "$too_new" <<<"$dump" | sort -u | tr '\n' ' ')"
    status=1
  fi
  major=$(awk '$1 == "MajorSubsystemVersion" {print $2}' <<<"$dump")
  minor=$(awk '$1 == "MinorSubsystemVersion" {print $2}' <<<"$dump")
  if [ -z "$major" ] || [ $((major * 100 + minor)) -gt 601 ]; then
    echo "$name: subsystem version ${major:-?}.${minor:-?} is newer than Windows 7 (6.1)"; status=1
  fi
  echo "$name: $(tr '\n' ' ' <<<"$dlls")subsystem $major.$minor"
done
exit $status
