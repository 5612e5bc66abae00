# The release as players get it. CPack makes this build's archives, and each must hold exactly the
# files of tests/data/release/archives.tsv, each as the table says: binaries stripped (their debug
# information kept in the build), the Linux checker needing no shared library, text files ASCII with
# CR LF; no archive may hold an _nimbrava.ini, which is the player's own. Then a fresh install: the
# archives whose root is the game folder are unpacked into a new game (clean-game.tsv beside the
# table), and the shipped checker runs there as the guide tells a player to run it, each run of it
# exiting 0; under Wine the stand-in host and ENB then load the shipped Nimbrava.dll in that game.
#
#   cmake -DBUILD=<build dir> -DSOURCE=<source dir> -DWORK=<scratch dir> -DPLATFORM=windows|linux
#         -DVERSION=<x.y.z> -DOBJDUMP=<objdump for the build's binaries> -DMAKE_GAME=<nimbrava-make-game>
#         [-DEMULATOR=<wine-run.sh> -DHOST=<nimbrava-host.exe> -DYARRIN=<Yarrin.dll> -DENB=<d3d11.dll>
#          -DNAMES=<host-boundary-names.tsv>]
#         -P Package.cmake
cmake_minimum_required(VERSION 3.25)
set(data "${SOURCE}/tests/data/release")

# The table: the archives of this build, and per archive its root and its files with their kinds.
file(STRINGS "${data}/archives.tsv" rows REGEX "^[^#]")
set(archives)
foreach(row IN LISTS rows)
  string(REPLACE "\t" ";" fields "${row}")
  list(LENGTH fields count)
  if(NOT count EQUAL 5)
    message(FATAL_ERROR "archives.tsv: not five fields: ${row}")
  endif()
  list(GET fields 0 build)
  list(GET fields 1 archive)
  list(GET fields 2 root)
  list(GET fields 3 path)
  list(GET fields 4 kind)
  if(NOT build STREQUAL PLATFORM)
    continue()
  endif()
  string(REPLACE "<version>" "${VERSION}" archive "${archive}")
  string(MAKE_C_IDENTIFIER "${archive}" id)
  if(NOT archive IN_LIST archives)
    list(APPEND archives "${archive}")
  endif()
  set(root_${id} "${root}")
  list(APPEND files_${id} "${path}")
  set(kind_${id}_${path} "${kind}")
endforeach()
list(SORT archives)
if(NOT archives)
  message(FATAL_ERROR "archives.tsv has no archive of the build ${PLATFORM}")
endif()

function(objdump option file out)
  execute_process(COMMAND "${OBJDUMP}" ${option} "${file}" RESULT_VARIABLE result OUTPUT_VARIABLE output
                  ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} ${option} ${file}: ${output}")
  endif()
  set(${out} "${output}" PARENT_SCOPE)
endfunction()

# One file of an archive, as its kind says.
function(check_file archive path file kind)
  get_filename_component(name "${path}" NAME)
  if(kind STREQUAL "binary" OR kind STREQUAL "static")
    objdump(-h "${file}" sections)
    if(sections MATCHES " \\.debug_[a-z]+ ")
      message(SEND_ERROR "${archive}: ${path} is not stripped: it holds ${CMAKE_MATCH_0}")
    endif()
    objdump(-h "${BUILD}/release/${name}.debug" sections)
    if(NOT sections MATCHES " \\.debug_info ")
      message(SEND_ERROR "${archive}: ${path}'s debug information is not in ${BUILD}/release/${name}.debug")
    endif()
  endif()
  if(kind STREQUAL "static")
    objdump(-p "${file}" headers)
    if(headers MATCHES "NEEDED[^\n]*|INTERP")
      message(SEND_ERROR "${archive}: ${path} needs shared libraries: ${CMAKE_MATCH_0}")
    endif()
  elseif(kind STREQUAL "text")
    # Read as bytes: file(READ) without HEX drops the CRs.
    file(READ "${file}" bytes HEX)
    string(REGEX MATCHALL ".." bytes "${bytes}")
    list(JOIN bytes " " spaced)
    string(REPLACE "0d 0a" "" spaced "${spaced}")
    if(spaced MATCHES "(^| )0[ad]( |$)")
      message(SEND_ERROR "${archive}: ${path} has a line that does not end in CR LF")
    endif()
    list(FILTER bytes INCLUDE REGEX "^[89a-f]")
    if(bytes)
      message(SEND_ERROR "${archive}: ${path} is not ASCII (bytes ${bytes})")
    endif()
  elseif(NOT kind STREQUAL "binary")
    message(FATAL_ERROR "archives.tsv: no kind ${kind}")
  endif()
endfunction()

file(REMOVE_RECURSE "${WORK}")
execute_process(COMMAND "${CMAKE_CPACK_COMMAND}" --config "${BUILD}/CPackConfig.cmake" -B "${WORK}/package"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cpack failed: ${output}")
endif()
file(GLOB made RELATIVE "${WORK}/package" "${WORK}/package/*.zip" "${WORK}/package/*.tar.gz")
list(SORT made)
if(NOT made STREQUAL archives)
  message(FATAL_ERROR "cpack made: ${made}\nexpected: ${archives}")
endif()

foreach(archive IN LISTS archives)
  string(MAKE_C_IDENTIFIER "${archive}" id)
  set(unpacked "${WORK}/unpacked/${id}")
  file(MAKE_DIRECTORY "${unpacked}")
  execute_process(COMMAND "${CMAKE_COMMAND}" -E tar xf "${WORK}/package/${archive}" WORKING_DIRECTORY "${unpacked}"
                  RESULT_VARIABLE result)
  file(GLOB_RECURSE held RELATIVE "${unpacked}" "${unpacked}/*")
  list(SORT held)
  set(expected ${files_${id}})
  list(SORT expected)
  if(NOT result EQUAL 0 OR NOT held STREQUAL expected)
    message(SEND_ERROR "${archive} holds: ${held}\nexpected: ${expected}")
  endif()
  foreach(path IN LISTS held)
    if(path MATCHES "(^|/)_nimbrava\\.ini$")
      message(SEND_ERROR "${archive} holds ${path}: unpacking it would overwrite the player's configuration")
    endif()
    if(DEFINED kind_${id}_${path})
      check_file("${archive}" "${path}" "${unpacked}/${path}" "${kind_${id}_${path}}")
    endif()
    # The shipped plugin meets hosts and ENB by the same names as the one built.
    if(path MATCHES "(^|/)Nimbrava\\.dll$")
      execute_process(COMMAND "${CMAKE_COMMAND}" -DOBJDUMP=${OBJDUMP} "-DDLL=${unpacked}/${path}"
                              -DDEF=${SOURCE}/plugin/Enb/d3d11.def -DNAMES=${NAMES}
                              -P "${SOURCE}/tests/plugin/ImportsAndExports.cmake"
                      RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
      if(NOT result EQUAL 0)
        message(SEND_ERROR "${archive}: ${path}: ${output}")
      endif()
    endif()
  endforeach()
  file(SIZE "${WORK}/package/${archive}" size)
  message(STATUS "${archive} (${size} bytes): ${held}")
endforeach()

# The fresh install, in the game folder as a player has it, with the paths a player types there.
if(PLATFORM STREQUAL "windows")
  set(drive "Z:")
  set(checker "nimbrava-check.exe")
  set(example "enbseries\\_nimbrava.example.ini")
else()
  set(drive "")
  set(checker "nimbrava-check")
  set(example "enbseries/_nimbrava.example.ini")
endif()
set(game "${WORK}/game")
execute_process(COMMAND ${EMULATOR} "${MAKE_GAME}" "${drive}${data}/clean-game.tsv" "${drive}${game}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "nimbrava-make-game could not write the game into ${game}: ${output}")
endif()
foreach(archive IN LISTS archives)
  string(MAKE_C_IDENTIFIER "${archive}" id)
  if(root_${id} STREQUAL "game")
    execute_process(COMMAND "${CMAKE_COMMAND}" -E tar xf "${WORK}/package/${archive}" WORKING_DIRECTORY "${game}"
                    RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "${archive} could not be unpacked into ${game}")
    endif()
  endif()
endforeach()

function(run_checker)
  execute_process(COMMAND ${EMULATOR} "${game}/${checker}" ${ARGN} WORKING_DIRECTORY "${game}"
                  RESULT_VARIABLE exit OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT exit STREQUAL "0")
    list(JOIN ARGN " " arguments)
    message(SEND_ERROR "In the fresh game, ${checker} ${arguments}: exit ${exit} (expected 0):\n${output}")
  endif()
endfunction()

run_checker(--init enbseries --plugins-txt Plugins.txt)
if(NOT EXISTS "${game}/enbseries/_nimbrava.ini")
  message(FATAL_ERROR "${checker} --init enbseries wrote no enbseries/_nimbrava.ini")
endif()
run_checker(enbseries --plugins-txt Plugins.txt)
if(EXISTS "${game}/enbseries/_nimbrava.example.ini")
  run_checker("${example}" --plugins-txt Plugins.txt)
endif()

# Outside Windows the shipped checker reads a Cyrillic player's names from its own tables: with the
# system's converters out of sight (a mount namespace of its own hides them), as on a Linux that keeps
# them elsewhere than the build machine or has none.
if(PLATFORM STREQUAL "linux")
  set(players "${SOURCE}/tests/data/checker/players/enbseries")
  file(COPY "${players}/ansi-1251.ini" "${players}/погода.ini" DESTINATION "${WORK}/cyrillic")
  set(checked --code-page 1251 "${WORK}/cyrillic/ansi-1251.ini")
  file(GLOB converters LIST_DIRECTORIES true /usr/lib/gconv /usr/lib/*/gconv /usr/lib64/gconv)
  set(hide "")
  foreach(folder IN LISTS converters)
    string(APPEND hide "mount -t tmpfs none '${folder}' && ")
  endforeach()
  execute_process(COMMAND unshare --map-root-user --mount sh -c "${hide}exec \"$0\" \"$@\""
                          "${game}/${checker}" ${checked}
                  RESULT_VARIABLE exit OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(output MATCHES "^unshare: |mount: ")
    message(WARNING "The system's converters (${converters}) cannot be hidden here: ${output}The checker "
                    "reads the Cyrillic file with them in sight, which shows less.")
    execute_process(COMMAND "${game}/${checker}" ${checked}
                    RESULT_VARIABLE exit OUTPUT_VARIABLE output ERROR_VARIABLE output)
  endif()
  if(NOT exit STREQUAL "0" OR NOT output MATCHES "-> 'погода.ini': a regular file")
    message(SEND_ERROR "${checker} --code-page 1251 on a Cyrillic file: exit ${exit}:\n${output}")
  endif()
endif()

# The shipped plugin at work in that game, with the configuration that --init wrote.
if(HOST)
  file(MAKE_DIRECTORY "${WORK}/logs")
  file(COPY "${HOST}" "${YARRIN}" "${ENB}" "${game}/Data/Yarrin/Plugins/Nimbrava.dll" DESTINATION "${WORK}/host")
  execute_process(COMMAND ${EMULATOR} "${WORK}/host/nimbrava-host.exe" --logs "Z:${WORK}/logs" --walk 3C
                  WORKING_DIRECTORY "${game}" OUTPUT_VARIABLE output ERROR_VARIABLE output)
  string(REPLACE "\r\n" "\n" output "${output}")
  foreach(line "YarrinMain: success" "[MESSAGE] Initialized successfully"
               "[MESSAGE] Switching to weatherlist '_weatherlist.ini'")
    string(FIND "${output}" "${line}" at)
    if(at EQUAL -1)
      message(SEND_ERROR "The stand-in host with the shipped Nimbrava.dll: expected \"${line}\" in:\n${output}")
    endif()
  endforeach()
endif()
