# The release as a player gets it: `cmake --install` and the CPack zip hold exactly Nimbrava.dll in
# the plugin folder, the example configuration in enbseries and nimbrava-check.exe, laid out from the
# game folder.
#   cmake -DBUILD=<build dir> -DSOURCE=<source dir> -DWORK=<scratch dir> -P Package.cmake
set(expected "Data/Yarrin/Plugins/Nimbrava.dll;enbseries/_nimbrava.ini;nimbrava-check.exe")

file(REMOVE_RECURSE "${WORK}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${WORK}/installed"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed")
endif()
file(GLOB_RECURSE installed RELATIVE "${WORK}/installed" "${WORK}/installed/*")
list(SORT installed)
if(NOT installed STREQUAL expected)
  message(FATAL_ERROR "installed: ${installed}\nexpected: ${expected}")
endif()
file(SHA256 "${WORK}/installed/enbseries/_nimbrava.ini" shipped)
file(SHA256 "${SOURCE}/examples/enbseries/_nimbrava.ini" example)
if(NOT shipped STREQUAL example)
  message(FATAL_ERROR "the shipped _nimbrava.ini is not the example")
endif()

execute_process(COMMAND cpack --config "${BUILD}/CPackConfig.cmake" -B "${WORK}/package"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
file(GLOB zips "${WORK}/package/Nimbrava-*-win64.zip")
if(NOT result EQUAL 0 OR NOT zips)
  message(FATAL_ERROR "cpack failed: ${output}")
endif()
file(MAKE_DIRECTORY "${WORK}/unpacked")
execute_process(COMMAND "${CMAKE_COMMAND}" -E tar xf "${zips}" WORKING_DIRECTORY "${WORK}/unpacked" RESULT_VARIABLE result)
file(GLOB_RECURSE unpacked RELATIVE "${WORK}/unpacked" "${WORK}/unpacked/*")
list(SORT unpacked)
if(NOT result EQUAL 0 OR NOT unpacked STREQUAL expected)
  message(FATAL_ERROR "the zip holds: ${unpacked}\nexpected: ${expected}")
endif()
message(STATUS "${zips}: ${unpacked}")
