# GoogleTest built from Debian's source package (/usr/src/googletest) as part of this build, for
# cross builds that have no GoogleTest library for their target. Defines GTest::gtest and
# GTest::gtest_main as find_package(GTest) does.
set(IMPCUST_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
if(NOT TARGET GTest::gtest)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(${IMPCUST_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/_googletest EXCLUDE_FROM_ALL)
endif()
