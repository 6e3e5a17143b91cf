# Cross builds: makes the host's header-only libraries usable by the target build without
# exposing anything else of the host. Debian keeps the CMake packages of architecture-
# independent (header-only) libraries in /usr/share/cmake, e.g. CLI11 and nlohmann_json. A view
# directory gets that folder and, in its usr/include, links to exactly the header folders those
# packages install; the toolchain adds the view to CMAKE_FIND_ROOT_PATH. Host libraries and the
# host's C headers stay invisible.
#
# In: IMPCUST_HOST_SHARE_VIEW (a directory in the build tree). Idempotent.
if(EXISTS ${IMPCUST_HOST_SHARE_VIEW}/usr/share/cmake OR NOT EXISTS /usr/share/cmake)
  return()
endif()
file(MAKE_DIRECTORY ${IMPCUST_HOST_SHARE_VIEW}/usr/share ${IMPCUST_HOST_SHARE_VIEW}/usr/include)
file(GLOB _impcust_packages LIST_DIRECTORIES true /usr/share/cmake/*)
foreach(_pkg_dir ${_impcust_packages})
  execute_process(COMMAND dpkg-query -S ${_pkg_dir} OUTPUT_VARIABLE _owner
                  ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
  string(REGEX REPLACE ":.*" "" _owner "${_owner}")
  if(_owner STREQUAL "")
    continue()
  endif()
  execute_process(COMMAND dpkg-query -L ${_owner} OUTPUT_VARIABLE _files ERROR_QUIET)
  string(REPLACE "\n" ";" _files "${_files}")
  foreach(_f ${_files})
    # Top-level entries of /usr/include only (a header folder or a single header).
    if(_f MATCHES "^/usr/include/[^/]+$")
      get_filename_component(_name ${_f} NAME)
      if(NOT EXISTS ${IMPCUST_HOST_SHARE_VIEW}/usr/include/${_name})
        file(CREATE_LINK ${_f} ${IMPCUST_HOST_SHARE_VIEW}/usr/include/${_name} SYMBOLIC)
      endif()
    endif()
  endforeach()
endforeach()
file(CREATE_LINK /usr/share/cmake ${IMPCUST_HOST_SHARE_VIEW}/usr/share/cmake SYMBOLIC)
