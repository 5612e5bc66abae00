# Checks what Nimbrava.dll imports and exports, as a host and ENB find it:
#  - from "d3d11.dll" exactly the functions that plugin/Enb/d3d11.def lists: nimbrava-check and the
#    stand-in ENB know ENB's functions from that list, so a function the plugin binds that the list
#    lacks would let the checker approve a module the plugin cannot load with;
#  - from "Yarrin.dll" exactly the host's two functions, by the names a host built with MSVC exports
#    them under (host-boundary-names.tsv, which the build derives from the host's header): under any
#    other name Windows refuses to load the plugin at all;
#  - nothing of MinGW's runtime: only Windows' own DLLs and the two modules the plugin talks to;
#  - its exports: both entry points under their MSVC names and their own, GetCurrentWeatherlistPath.
#   cmake -DOBJDUMP=<objdump> -DDLL=<Nimbrava.dll> -DDEF=<d3d11.def> -DNAMES=<host-boundary-names.tsv>
#         -P ImportsAndExports.cmake
execute_process(COMMAND "${OBJDUMP}" -p "${DLL}" OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${DLL}")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" dlls "${dump}")
foreach(dll IN LISTS dlls)
  string(TOLOWER "${dll}" dll)
  if(NOT dll MATCHES "^dll name: ((kernel32|msvcrt|user32|advapi32|ntdll|shell32|ole32|ucrtbase|yarrin|d3d11)\\.dll|api-ms-win-.*)$")
    message(FATAL_ERROR "${DLL} imports from a DLL that is neither Windows' nor the game's: ${dll}")
  endif()
endforeach()

# The names in the lines of objdump's output that follow the line `heading` (and, with `titles`, the
# line of column titles after it), up to the next blank line: the last word of each.
function(names_after heading titles out)
  string(FIND "${dump}" "${heading}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${DLL}: objdump shows no \"${heading}\"")
  endif()
  string(SUBSTRING "${dump}" ${at} -1 rest)
  if(titles)
    string(REGEX MATCH "^[^\n]*\n[^\n]*\n(([^\n]+\n)*)" block "${rest}")
  else()
    string(REGEX MATCH "^[^\n]*\n(([^\n]+\n)*)" block "${rest}")
  endif()
  string(REGEX MATCHALL "[^ \t\n]+\n" names "${CMAKE_MATCH_1}")
  list(TRANSFORM names STRIP)
  list(SORT names)
  set(${out} "${names}" PARENT_SCOPE)
endfunction()

function(expect what actual expected)
  list(SORT expected)
  if(actual STREQUAL "" OR NOT actual STREQUAL expected)
    string(REPLACE ";" "\n  " actual "${actual}")
    string(REPLACE ";" "\n  " expected "${expected}")
    message(FATAL_ERROR "${DLL}, ${what}:\n  ${actual}\nexpected:\n  ${expected}")
  endif()
  message(STATUS "${what}: ${actual}")
endfunction()

names_after("DLL Name: d3d11.dll" TRUE d3d11)
file(STRINGS "${DEF}" listed REGEX "^[ \t]+[A-Za-z_][A-Za-z0-9_]*[ \t]*$")
list(TRANSFORM listed STRIP)
expect("imported from d3d11.dll" "${d3d11}" "${listed}")

file(STRINGS "${NAMES}" rows REGEX "^[^#]")
foreach(row IN LISTS rows)
  string(REPLACE "\t" ";" fields "${row}")
  list(GET fields 0 function)
  list(GET fields 1 msvc_${function})
  list(GET fields 2 own_${function})
endforeach()
names_after("DLL Name: Yarrin.dll" TRUE yarrin)
expect("imported from Yarrin.dll" "${yarrin}" "${msvc_GetLogsDirectory};${msvc_ConstructString}")
names_after("[Ordinal/Name Pointer] Table" FALSE exported)
expect("exported" "${exported}" "${msvc_YarrinInitialize};${own_YarrinInitialize};${msvc_YarrinMain};${own_YarrinMain};GetCurrentWeatherlistPath")
