# The decorated names of the host boundary's four functions, read from the two objects of
# plugin/Host/BoundaryNames.cpp: in MSVC's ABI (the names a host built with MSVC exports and looks
# up) and in this build's own (the names the plugin's code defines and calls). Writes into OUT:
#   Nimbrava.def             the plugin's exports: each entry point under its MSVC name and, as a
#                            second name of the same function, its own; GetCurrentWeatherlistPath
#   YarrinImports.def        for dlltool: the host functions as the code calls them, imported from
#                            "Yarrin.dll" by their MSVC names
#   YarrinExports.def        for a stand-in "Yarrin.dll" built by this build: its two functions
#                            exported under their MSVC names too
#   HostBoundaryNames.h      the MSVC names as C strings, for the programs that look them up
#   host-boundary-names.tsv  function, MSVC name, own name: for the tests
# A file is rewritten only when its text changes.
#
#   cmake -DNM=<llvm-nm> -DMSVC_OBJECT=<obj> -DOWN_OBJECT=<obj> -DOUT=<folder> -P HostBoundaryNames.cmake
cmake_minimum_required(VERSION 3.25)

function(undefined_symbols object out)
  execute_process(COMMAND "${NM}" --undefined-only --format=just-symbols "${object}"
                  RESULT_VARIABLE result OUTPUT_VARIABLE symbols ERROR_VARIABLE error)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${NM} ${object}: ${error}")
  endif()
  string(REPLACE "\n" ";" symbols "${symbols}")
  set(${out} "${symbols}" PARENT_SCOPE)
endfunction()

# The one symbol of `symbols` that matches `pattern`, into `out`.
function(the_symbol symbols pattern function out)
  list(FILTER symbols INCLUDE REGEX "${pattern}")
  list(LENGTH symbols count)
  if(NOT count EQUAL 1)
    message(FATAL_ERROR "Not one decorated name of ${function} (${pattern}) but: ${symbols}")
  endif()
  set(${out} "${symbols}" PARENT_SCOPE)
endfunction()

function(write_if_changed file text)
  if(EXISTS "${file}")
    file(READ "${file}" old)
    if(old STREQUAL text)
      return()
    endif()
  endif()
  file(WRITE "${file}" "${text}")
endfunction()

undefined_symbols("${MSVC_OBJECT}" msvc_symbols)
undefined_symbols("${OWN_OBJECT}" own_symbols)
# MSVC: ?Name@ (a template's ??$Name@). Itanium: the name after its length, then what follows it.
foreach(function YarrinInitialize YarrinMain GetLogsDirectory ConstructString)
  the_symbol("${msvc_symbols}" "^\\?(\\?\\$)?${function}@" ${function} msvc_${function})
  the_symbol("${own_symbols}" "^_Z.*[0-9]${function}[A-Z]" ${function} own_${function})
endforeach()

set(generated "written by the build from plugin/Host/HostRecords.h (cmake/HostBoundaryNames.cmake)")
set(def "; The plugin's exports, ${generated}.\nLIBRARY Nimbrava.dll\nEXPORTS\n")
set(imports "; The host functions the plugin imports, ${generated}.\nLIBRARY Yarrin.dll\nEXPORTS\n")
set(exports "; A stand-in host's functions under the names hosts export, ${generated}.\nEXPORTS\n")
set(header "// The decorated names of the host boundary, ${generated}.\n#pragma once\n\nnamespace NimbravaBoundaryNames\n{\n")
set(table "# function\tMSVC's name\tthis build's name: ${generated}\n")
foreach(function YarrinInitialize YarrinMain GetLogsDirectory ConstructString)
  set(msvc "${msvc_${function}}")
  set(own "${own_${function}}")
  if(function MATCHES "^Yarrin")
    string(APPEND def "    \"${msvc}\" = ${own}\n    ${own}\n")
  else()
    string(APPEND imports "    ${own} == \"${msvc}\"\n")
    string(APPEND exports "    \"${msvc}\" = ${own}\n")
  endif()
  string(APPEND header "    inline constexpr char ${function}[] = \"${msvc}\";\n")
  string(APPEND table "${function}\t${msvc}\t${own}\n")
endforeach()
string(APPEND def "    GetCurrentWeatherlistPath\n")
string(APPEND header "} // namespace NimbravaBoundaryNames\n")

write_if_changed("${OUT}/Nimbrava.def" "${def}")
write_if_changed("${OUT}/YarrinImports.def" "${imports}")
write_if_changed("${OUT}/YarrinExports.def" "${exports}")
write_if_changed("${OUT}/HostBoundaryNames.h" "${header}")
write_if_changed("${OUT}/host-boundary-names.tsv" "${table}")
