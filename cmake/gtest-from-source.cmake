# Serves find_package(GTest) from GoogleTest's sources (Debian's googletest package) built
# into the same tree, for builds such as the Windows one where no GoogleTest for the target
# is installed. Set as CMAKE_PROJECT_TOP_LEVEL_INCLUDES; nothing is downloaded.
set(KIVO_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources to build for the target")

macro(kivo_provide_gtest method package_name)
  if("${package_name}" STREQUAL "GTest" AND NOT TARGET GTest::gtest)
    if(NOT EXISTS "${KIVO_GTEST_SOURCE_DIR}/CMakeLists.txt")
      message(FATAL_ERROR "No GoogleTest sources in ${KIVO_GTEST_SOURCE_DIR} (Debian: apt-get install googletest)")
    endif()
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory("${KIVO_GTEST_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/_deps/googletest" EXCLUDE_FROM_ALL SYSTEM)
    # The names an installed GoogleTest exports, so the project links the same way either
    # way; newer GoogleTest sources define them themselves.
    foreach(_kivo_lib gtest gtest_main gmock gmock_main)
      if(NOT TARGET GTest::${_kivo_lib})
        add_library(GTest::${_kivo_lib} ALIAS ${_kivo_lib})
      endif()
    endforeach()
    set(GTest_FOUND TRUE)
    set(GTEST_FOUND TRUE)
  endif()
endmacro()

cmake_language(SET_DEPENDENCY_PROVIDER kivo_provide_gtest SUPPORTED_METHODS FIND_PACKAGE)
