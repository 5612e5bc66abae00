# {fmt} and nlohmann's JSON: the system packages natively; header-only from the same Debian headers
# in the cross build and in the Linux release. The cross compiler must not see the host's
# /usr/include, so only their folders are exposed, through links in the build tree.
if(CMAKE_CROSSCOMPILING)
  set(_nimbrava_host_include "${CMAKE_BINARY_DIR}/host-include")
  file(MAKE_DIRECTORY "${_nimbrava_host_include}")
  foreach(_lib fmt spdlog nlohmann)
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
  if(NOT EXISTS "${_nimbrava_host_include}/nlohmann/json.hpp")
    message(FATAL_ERROR "nlohmann's JSON headers not found in /usr/include/nlohmann (install nlohmann-json3-dev)")
  endif()
  add_library(nlohmann_json_headers INTERFACE)
  target_include_directories(nlohmann_json_headers SYSTEM INTERFACE "${_nimbrava_host_include}")
  add_library(nlohmann_json::nlohmann_json ALIAS nlohmann_json_headers)
elseif(NIMBRAVA_LINUX_RELEASE)
  # The statically linked checker: Debian ships {fmt} as a shared library only, so its headers are
  # compiled in.
  find_path(NIMBRAVA_FMT_INCLUDE fmt/core.h REQUIRED)
  add_library(fmt_header_only INTERFACE)
  target_include_directories(fmt_header_only SYSTEM INTERFACE "${NIMBRAVA_FMT_INCLUDE}")
  target_compile_definitions(fmt_header_only INTERFACE FMT_HEADER_ONLY=1)
  add_library(fmt::fmt ALIAS fmt_header_only)
  find_package(nlohmann_json 3.11 REQUIRED)
else()
  find_package(fmt 9 REQUIRED)
  find_package(nlohmann_json 3.11 REQUIRED)
endif()

# GoogleTest, built from the Debian sources for both builds.
if(NIMBRAVA_TESTS AND NOT NIMBRAVA_FUZZERS)
  set(NIMBRAVA_GTEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest sources")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory("${NIMBRAVA_GTEST_SOURCE}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
endif()

# zlib, which inflates the game's compressed records (GameData) and compresses them in the tests'
# synthetic files: Debian's zlib1g-dev natively; in the cross build libz-mingw-w64-dev's static
# libz.a from the MinGW sysroot, so that no program needs a zlib1.dll beside it; Debian's libz.a in
# the Linux release.
if(CMAKE_CROSSCOMPILING OR NIMBRAVA_LINUX_RELEASE)
  set(ZLIB_USE_STATIC_LIBS ON)
endif()
find_package(ZLIB REQUIRED)
