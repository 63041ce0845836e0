# Cross-builds for 32-bit Windows (x86, as on the many 32-bit Windows 7 PCs beside the
# instruments) with Debian's mingw-w64 compilers. What it builds is not run: Debian's Wine
# runs 32-bit programs only with the i386 architecture added, which CI does not have time
# for, so the x86 programs are checked by their import tables instead.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(_kivo_mingw i686-w64-mingw32)
# The -posix compilers, as for x86-64: their libstdc++ has std::thread and std::mutex.
set(CMAKE_C_COMPILER ${_kivo_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_kivo_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_kivo_mingw}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_kivo_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A static runtime, so that the .exe needs none of MinGW's DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
