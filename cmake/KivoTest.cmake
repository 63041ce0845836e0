find_package(GTest REQUIRED)

# kivo_add_gtest(NAME SOURCES file... LIBS library...) registers one GoogleTest suite with ctest.
function(kivo_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main kivo_warnings)
  add_test(NAME ${name} COMMAND ${name})
endfunction()
