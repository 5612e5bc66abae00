# Checks that Nimbrava.dll imports from "d3d11.dll" exactly the functions that plugin/Enb/d3d11.def
# lists: nimbrava-check and the stand-in ENB know ENB's functions from that list, so a function the
# plugin binds that the list lacks would let the checker approve a module the plugin cannot load with.
# And that it imports nothing of MinGW's runtime: only Windows' own DLLs and the two modules the
# plugin exists to talk to.
#   cmake -DOBJDUMP=<objdump> -DDLL=<Nimbrava.dll> -DDEF=<d3d11.def> -P Imports.cmake
execute_process(COMMAND "${OBJDUMP}" -p "${DLL}" OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${DLL}")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" dlls "${dump}")
foreach(dll IN LISTS dlls)
  string(TOLOWER "${dll}" dll)
  if(NOT dll MATCHES "^dll name: ((kernel32|msvcrt|user32|advapi32|ntdll|shell32|ole32|ucrtbase|yarrin|d3d11)\\.dll|api-ms-win-.*)$")
    message(FATAL_ERROR "Nimbrava.dll imports from a DLL that is neither Windows' nor the game's: ${dll}")
  endif()
endforeach()
# The import descriptor of d3d11.dll runs to the next blank line.
string(REGEX MATCH "DLL Name: d3d11\\.dll\n[^\n]*\n(([^\n]+\n)*)" block "${dump}")
string(REGEX MATCHALL "[^ \t\n]+\n" imported "${CMAKE_MATCH_1}")
list(TRANSFORM imported STRIP)
list(SORT imported)
file(STRINGS "${DEF}" listed REGEX "^[ \t]+[A-Za-z_][A-Za-z0-9_]*[ \t]*$")
list(TRANSFORM listed STRIP)
list(SORT listed)
if(imported STREQUAL "" OR NOT imported STREQUAL listed)
  message(FATAL_ERROR "Nimbrava.dll imports from d3d11.dll: ${imported}\nd3d11.def lists: ${listed}")
endif()
message(STATUS "d3d11.dll: ${imported}")
