# Shared build helpers.
if(IMPCUST_GTEST_FROM_SOURCE)
  include(${CMAKE_CURRENT_LIST_DIR}/gtest-from-source.cmake)  # cross builds (see that file)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# impcust_test(NAME SOURCES a_test.cpp ... LIBS lib ...)
# Builds one GoogleTest executable and registers its tests with CTest.
function(impcust_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "IMPCUST_BIN_DIR=${CMAKE_BINARY_DIR}/bin")
endfunction()
