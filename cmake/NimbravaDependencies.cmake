# {fmt}: the system package natively; header-only from the same Debian headers in the cross build.
# The cross compiler must not see the host's /usr/include, so only the fmt folder is exposed, through
# a link in the build tree.
if(CMAKE_CROSSCOMPILING)
  set(_nimbrava_host_include "${CMAKE_BINARY_DIR}/host-include")
  file(MAKE_DIRECTORY "${_nimbrava_host_include}")
  foreach(_lib fmt spdlog)
    if(EXISTS "/usr/include/${_lib}" AND NOT EXISTS "${_nimbrava_host_include}/${_lib}")
      file(CREATE_LINK "/usr/include/${_lib}" "${_nimbrava_host_include}/${_lib}" SYMBOLIC)
    endif()
  endforeach()
  if(NOT EXISTS "${_nimbrava_host_include}/fmt/core.h")
    message(FATAL_ERROR "{fmt} headers not found in /usr/include/fmt (install libfmt-dev)")
  endif()
  add_library(fmt_header_only INTERFACE)
  target_include_directories(fmt_header_only SYSTEM INTERFACE "${_nimbrava_host_include}")
  target_compile_definitions(fmt_header_only INTERFACE FMT_HEADER_ONLY=1)
  add_library(fmt::fmt ALIAS fmt_header_only)
else()
  find_package(fmt 9 REQUIRED)
endif()

# GoogleTest, built from the Debian sources for both builds.
if(NIMBRAVA_TESTS AND NOT NIMBRAVA_FUZZERS)
  set(NIMBRAVA_GTEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest sources")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory("${NIMBRAVA_GTEST_SOURCE}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
endif()
