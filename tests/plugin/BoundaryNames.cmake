# The host boundary's decorated names read back: llvm-undname turns each MSVC name the build derived
# from the host's header into its signature, which must be the one tests/data/host/boundary-signatures.tsv
# keeps. A header edit that changes the boundary fails here instead of silently changing the names
# every host looks up.
#   cmake -DUNDNAME=<llvm-undname> -DNAMES=<host-boundary-names.tsv> -DEXPECTED=<boundary-signatures.tsv>
#         -P BoundaryNames.cmake
file(STRINGS "${EXPECTED}" expected_rows REGEX "^[^#]")
file(STRINGS "${NAMES}" name_rows REGEX "^[^#]")
set(functions)
foreach(row IN LISTS expected_rows)
  string(REGEX MATCH "^([^\t]+)\t(.+)$" row "${row}")
  list(APPEND functions "${CMAKE_MATCH_1}")
  set(expected_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
endforeach()
set(derived)
foreach(row IN LISTS name_rows)
  string(REPLACE "\t" ";" fields "${row}")
  list(GET fields 0 function)
  list(GET fields 1 name)
  list(APPEND derived "${function}")
  execute_process(COMMAND "${UNDNAME}" "${name}" RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  # llvm-undname echoes the name, then its reading.
  string(REGEX MATCH "\n([^\n]+)" signature "${output}")
  set(signature "${CMAKE_MATCH_1}")
  if(NOT result EQUAL 0 OR NOT signature STREQUAL "${expected_${function}}")
    message(SEND_ERROR "${function}: ${name}\n  reads as: ${signature}\n  expected: ${expected_${function}}")
  else()
    message(STATUS "${function}: ${signature}")
  endif()
endforeach()
list(SORT functions)
list(SORT derived)
if(NOT functions STREQUAL derived OR functions STREQUAL "")
  message(FATAL_ERROR "The build derived names of: ${derived}\nexpected: ${functions}")
endif()
