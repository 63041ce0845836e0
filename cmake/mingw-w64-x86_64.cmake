# Cross-builds for 64-bit Windows with Debian's mingw-w64 compilers, and runs what it builds
# (tests, and try_run checks) under Wine through wine-run.sh.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_kivo_mingw x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
