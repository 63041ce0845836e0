find_package(GTest REQUIRED)

# Every test has a timeout, so that a hung one (a modal box that nobody closes, a child that
# never ends) fails instead of holding CI. The figures leave room for a loaded 2-core
# machine; under Wine, which is slow to start each program and runs the window suites, the
# default is longer.
if(CMAKE_CROSSCOMPILING_EMULATOR)
  set(KIVO_TEST_TIMEOUT 300)
else()
  set(KIVO_TEST_TIMEOUT 120)
endif()

# kivo_test_timeout(TEST [SECONDS]) gives TEST its timeout: SECONDS, else KIVO_TEST_TIMEOUT.
# Under Wine the emulator (wine-run.sh) gets a bound a little past it, so that its own
# shorter one does not cut a slow suite first and ctest reports a hang as a timeout.
function(kivo_test_timeout test)
  set(seconds ${KIVO_TEST_TIMEOUT})
  if(ARGC GREATER 1)
    set(seconds ${ARGV1})
  endif()
  set_tests_properties(${test} PROPERTIES TIMEOUT ${seconds})
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    math(EXPR emulator_seconds "${seconds} + 30")
    set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT KIVO_WINE_TIMEOUT=${emulator_seconds})
  endif()
endfunction()

# kivo_add_gtest(NAME SOURCES file... LIBS library... [TIMEOUT seconds]) registers one
# GoogleTest suite with ctest.
function(kivo_add_gtest name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main kivo_warnings)
  add_test(NAME ${name} COMMAND ${name})
  kivo_test_timeout(${name} ${T_TIMEOUT})
endfunction()
