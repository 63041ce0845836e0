# Cross-builds for 32-bit Windows (x86, as on the many 32-bit Windows 7 PCs beside the
# instruments) with Debian's mingw-w64 compilers. What it builds is not run: Debian's Wine
# runs 32-bit programs only with the i386 architecture added, which CI does not have time
# for, so the x86 programs are checked by their import tables instead.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(_kivo_mingw i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
