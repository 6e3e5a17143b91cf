# Cross build for 32-bit Windows with Debian's MinGW-w64 (POSIX threads flavour), static
# executables. Compiled only: this machine's Wine runs 64-bit programs, so no emulator is set.
# Use with -DIMPCUST_BUILD_GUI=OFF -DIMPCUST_BUILD_BENCH=OFF.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(IMPCUST_MINGW_TRIPLE i686-w64-mingw32)

set(CMAKE_C_COMPILER ${IMPCUST_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${IMPCUST_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${IMPCUST_MINGW_TRIPLE}-windres)
# The target's own libraries, plus a view of the host's header-only libraries and nothing else.
set(IMPCUST_HOST_SHARE_VIEW ${CMAKE_BINARY_DIR}/_host-share-view)
include(${CMAKE_CURRENT_LIST_DIR}/host-header-packages.cmake)
set(CMAKE_FIND_ROOT_PATH /usr/${IMPCUST_MINGW_TRIPLE} ${IMPCUST_HOST_SHARE_VIEW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

set(IMPCUST_GTEST_FROM_SOURCE ON CACHE BOOL "Build GoogleTest from its sources")
