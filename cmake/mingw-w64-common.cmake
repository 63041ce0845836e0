# What the two MinGW-w64 toolchain files share; each sets _kivo_mingw, the target triplet,
# and CMAKE_SYSTEM_PROCESSOR before including this.
set(CMAKE_SYSTEM_NAME Windows)

# The -posix compilers: their libstdc++ has std::thread and std::mutex, which GoogleTest
# uses; the -win32 ones lack them on GCC 12.
set(CMAKE_C_COMPILER ${_kivo_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_kivo_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_kivo_mingw}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_kivo_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A static runtime (libgcc, libstdc++, winpthreads): the .exe then runs on a PC that has
# none of MinGW's DLLs, and under Wine without a DLL path to set up.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
