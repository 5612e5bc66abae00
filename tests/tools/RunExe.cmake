# nimbrava-check.exe under Wine: the Windows file tests, code page and output on the same data the
# native tests use.
#   cmake -DCHECKER=<exe> -DEMULATOR=<wine-run.sh> -DMODULES=<folder> -DSOURCE=<source tree>
#         -DMAKE_GAME=<nimbrava-make-game.exe> -DWORK=<scratch folder> -P RunExe.cmake
#   or, for the players' files: -DPLAYERS_CODEPAGE=<code page> -DPLAYERS_ROWS=<rows at least>
#         -DPLAYERS_FOLDER=<folder name, or -> in place of -DMODULES and -DMAKE_GAME
set(DATA "${SOURCE}/tests/data/checker")
get_filename_component(bin "${CHECKER}" DIRECTORY)
function(check expected_exit expected_text)
  execute_process(COMMAND "${EMULATOR}" "${CHECKER}" ${ARGN} RESULT_VARIABLE exit OUTPUT_VARIABLE out
                  ERROR_VARIABLE err)
  string(REPLACE "\r\n" "\n" out "${out}${err}")
  string(FIND "${out}" "${expected_text}" at)
  if(NOT exit STREQUAL "${expected_exit}" OR at EQUAL -1)
    message(SEND_ERROR "nimbrava-check ${ARGN}: exit ${exit} (expected ${expected_exit}), "
                       "expected to see \"${expected_text}\" in:\n${out}")
  endif()
endfunction()

# One run whose output must hold every indented line and note of a report that the native tests
# compare whole, and its count of problems: the sections as the plugin tries them, each note, and each
# problem from its file's ".ini:" on (that of "_nimbrava.ini" or of a weather list), up to any further
# path (paths are written the Windows way here).
function(check_report expected_exit report)
  execute_process(COMMAND "${EMULATOR}" "${CHECKER}" ${ARGN} RESULT_VARIABLE exit OUTPUT_VARIABLE out
                  ERROR_VARIABLE err)
  string(REPLACE "\r\n" "\n" out "${out}${err}")
  if(NOT exit STREQUAL "${expected_exit}")
    message(SEND_ERROR "nimbrava-check ${ARGN}: exit ${exit} (expected ${expected_exit}):\n${out}")
  endif()
  file(STRINGS "${DATA}/${report}" lines REGEX "^  |^Note: |problems?:$")
  foreach(line IN LISTS lines)
    string(FIND "${line}" ".ini:" start)
    if(start GREATER -1)
      string(SUBSTRING "${line}" ${start} -1 line)
    endif()
    string(FIND "${line}" "{" end)
    string(SUBSTRING "${line}" 0 ${end} line)
    string(FIND "${out}" "${line}" at)
    if(at EQUAL -1)
      message(SEND_ERROR "nimbrava-check ${ARGN}: expected to see \"${line}\" in:\n${out}")
    endif()
  endforeach()
endfunction()

# The game of a description (GameDescription.h) written into FOLDER by the Windows build of its writer.
function(make_game description folder)
  execute_process(COMMAND "${EMULATOR}" "${MAKE_GAME}" "${description}" "${folder}" RESULT_VARIABLE made OUTPUT_QUIET)
  if(NOT made EQUAL 0)
    message(FATAL_ERROR "nimbrava-make-game.exe could not write ${description} into ${folder}")
  endif()
endfunction()

# Files as players save them (players.tsv), in the ANSI code page that LC_ALL gave Wine: the rows of
# that code page, as the native tests run them with --code-page.
if(PLAYERS_CODEPAGE)
  file(READ "${DATA}/players.tsv" table)
  string(REPLACE ";" "<semicolon>" table "${table}")
  string(REPLACE "\n" ";" rows "${table}")
  set(checked 0)
  foreach(row IN LISTS rows)
    if(row MATCHES "^#" OR row STREQUAL "")
      continue()
    endif()
    string(REPLACE "\t" ";" fields "${row}")
    list(GET fields 0 name)
    list(GET fields 1 codepage)
    list(GET fields 2 expected_exit)
    list(GET fields 3 worldspace)
    if(NOT codepage STREQUAL PLAYERS_CODEPAGE)
      continue()
    endif()
    set(arguments "Z:${DATA}/players/enbseries/${name}")
    if(NOT worldspace STREQUAL "-")
      list(APPEND arguments --worldspace ${worldspace})
    endif()
    execute_process(COMMAND "${EMULATOR}" "${CHECKER}" ${arguments} RESULT_VARIABLE exit OUTPUT_VARIABLE out
                    ERROR_VARIABLE err)
    string(REPLACE "\r\n" "\n" out "${out}${err}")
    if(NOT exit STREQUAL expected_exit)
      message(SEND_ERROR "nimbrava-check ${arguments}: exit ${exit} (expected ${expected_exit}):\n${out}")
    endif()
    list(SUBLIST fields 4 -1 texts)
    foreach(text IN LISTS texts)
      string(REPLACE "<semicolon>" ";" text "${text}")
      string(REPLACE "\\\\" "<backslash>" text "${text}")
      string(REPLACE "\\n" "\n" text "${text}")
      string(REPLACE "<backslash>" "\\" text "${text}")
      string(FIND "${out}" "${text}" at)
      if(at EQUAL -1)
        message(SEND_ERROR "nimbrava-check ${arguments}: expected to see \"${text}\" in:\n${out}")
      endif()
    endforeach()
    math(EXPR checked "${checked} + 1")
  endforeach()
  if(checked LESS PLAYERS_ROWS)
    message(SEND_ERROR "only ${checked} rows of players.tsv for code page ${PLAYERS_CODEPAGE}")
  endif()

  # The players' files again in a folder whose name is outside ASCII (a Steam library "D:\Игры", a
  # user name), named on the command line and, as a double click in Explorer starts the checker, found
  # as the enbseries folder of the current one.
  if(NOT PLAYERS_FOLDER STREQUAL "-")
    set(home "${WORK}/${PLAYERS_FOLDER}")
    file(REMOVE_RECURSE "${WORK}")
    file(COPY "${DATA}/players/enbseries" DESTINATION "${home}")
    file(RENAME "${home}/enbseries/ansi-${PLAYERS_CODEPAGE}.ini" "${home}/enbseries/_nimbrava.ini")
    check(0 "${PLAYERS_FOLDER}/enbseries" "Z:${home}/enbseries")
    check(0 "[MESSAGE] Switching to weatherlist" --worldspace 800 "Z:${home}/enbseries")
    execute_process(COMMAND "${EMULATOR}" "${CHECKER}" WORKING_DIRECTORY "${home}" RESULT_VARIABLE exit
                    OUTPUT_VARIABLE out ERROR_VARIABLE err)
    string(FIND "${out}" "No problems found." at)
    if(NOT exit EQUAL 0 OR at EQUAL -1)
      message(SEND_ERROR "nimbrava-check without arguments in ${home}: exit ${exit}:\n${out}${err}")
    endif()
  endif()
  return()
endif()

if(CODEPAGE_932)
  # Run with Wine's ANSI code page 932: a FileName that is no text there fails the plugin's run.
  set(folder "Z:${DATA}/codepage-932/enbseries")
  check(1 "_nimbrava.ini:4: [file-bad-text] FileName" "${folder}")
  check(1 "[ERROR]   Unable to load '_nimbrava.ini'. Switching to default fallback" "${folder}" --worldspace 4D)
  return()
endif()

# On a terminal the checker ends as soon as it is done: only a window of its own, which Windows closes
# with it, waits for Enter.
execute_process(COMMAND timeout 120 script -qec "'${EMULATOR}' '${CHECKER}' --version" /dev/null
                RESULT_VARIABLE exit OUTPUT_VARIABLE out ERROR_VARIABLE err)
string(ASCII 27 escape) # Wine's console draws the text with cursor movements
string(REGEX REPLACE "${escape}\\[[?0-9;]*[A-Za-z]" "" out "${out}")
string(FIND "${out}" "Press Enter" waits)
if(NOT exit EQUAL 0 OR NOT out MATCHES "nimbrava-check ?[0-9]" OR NOT waits EQUAL -1)
  message(SEND_ERROR "nimbrava-check --version on a terminal: exit ${exit}:\n${out}${err}")
endif()
check(0 "Usage:" /?)

check(0 "enb-like.dll: Nimbrava can work with this ENB" --module "Z:${MODULES}/enb-like.dll")
check(1 "(it imports nothing from kernel32)" --verbose --module "Z:${MODULES}/enb-like-no-imports.dll")
check(0 "\"CreateFileA\": {\n    \"dll\": \"KERNEL32.dll\",\n    \"slot_rva\": " --json --module "Z:${MODULES}/enb-like.dll")
check(2 "truncated: the file ends at" --module "Z:${SOURCE}/fuzz/corpus/FuzzModuleImage/truncated-in-sections.dll")
# The stand-in ENB, and its variants that lack a kernel32 import the plugin patches.
check(0 "d3d11.dll: Nimbrava can work with this ENB" --module "Z:${bin}/d3d11.dll")
check(1 "ENB reads its files in a way Nimbrava cannot follow" --module "Z:${bin}/enb-no-createfile/d3d11.dll")
check(1 "does not import CreateFileA by name from kernel32" --module "Z:${bin}/enb-no-createfile/d3d11.dll" --verbose)
check(1 "does not import GetPrivateProfileSectionA by name" --verbose --module "Z:${bin}/enb-no-profile/d3d11.dll")
check(0 "No problems found." "Z:${SOURCE}/examples/enbseries")
# The Windows file test must agree with the native one on every section and problem.
check_report(0 clean/expected.txt "Z:${DATA}/clean/enbseries")
check_report(1 pitfalls/expected.txt "Z:${DATA}/pitfalls/enbseries")
check(0 "[MESSAGE] Switching to weatherlist 'weather\\tamriel.ini'\n  [MESSAGE] Reloading ENB config..." "Z:${DATA}/clean/enbseries"
      --worldspace 0A00003C)

# The synthetic game of tests/data/gamedata/game.tsv, written by the Windows build of its writer: its
# worldspaces and the configuration beside it read the Windows way, as the native tests read them.
file(REMOVE_RECURSE "${WORK}")
make_game("Z:${SOURCE}/tests/data/gamedata/game.tsv" "Z:${WORK}/game")
check_report(1 game/worldspaces.txt --worldspaces "Z:${WORK}/game" --plugins-txt "Z:${WORK}/game/Plugins.txt")
check_report(1 game/configuration.txt "Z:${WORK}/game/enbseries" --plugins-txt "Z:${WORK}/game/Plugins.txt")
check(0 "Worldspace FE002005 (the plugin compares 2005, TinyLightWorld (Tiny Light, Tiny Light.esl))"
      "Z:${WORK}/game/enbseries" --plugins-txt "Z:${WORK}/game/Plugins.txt" --worldspace tinylightworld)
# Its weathers, and the sections of the list in force that give a worldspace's, found the Windows way.
check_report(1 game/weathers.txt --weathers "Z:${WORK}/game" --plugins-txt "Z:${WORK}/game/Plugins.txt")
check(0 "    C821E    SkyrimFog                     cloudy          its climate; [WEATHER002] 'fog.ini'"
      "Z:${WORK}/game/enbseries" --plugins-txt "Z:${WORK}/game/Plugins.txt" --worldspace 3C)
# A game of odd files (tests/data/gamedata/odd-game.tsv): names that would command a terminal are shown
# escaped by the .exe as well.
make_game("Z:${SOURCE}/tests/data/gamedata/odd-game.tsv" "Z:${WORK}/odd")
check(1 "Evil\\x1B[31mRED\\x1B[0m\\x0AFAKE 3C 0000003C Injected  \\x1B]0;title\\x07Named\\u008DHere  Hostile.esp"
      --worldspaces "Z:${WORK}/odd" --plugins-txt "Z:${WORK}/odd/Plugins.txt")

# A player's trial (trial/game.tsv): the base game's English names without its string tables, and
# "why not?" for a letter O typed for a zero on a line whose comment names the place.
make_game("Z:${DATA}/trial/game.tsv" "Z:${WORK}/trial")
check(1 "[list-ends-early] WorldspaceIDs of [WEATHERLIST02] ends at 'O0': the plugin reads only 8 and ignores the rest; 'O' is no hexadecimal digit (the digit 0 was meant?)"
      "Z:${WORK}/trial/enbseries" --plugins-txt "Z:${WORK}/trial/Plugins.txt" --worldspace Solstheim)

# A Mod Organizer 2 instance (mo2/game.tsv): the game as MO2 shows it finds the ID an overriding
# mod's plugin shares; the profile's plugins.txt alone points at --mo2.
make_game("Z:${DATA}/mo2/game.tsv" "Z:${WORK}/mo2")
check(1 "[shared-id] ID 800 in [WEATHERLIST01] is the ID of 2 worldspaces: DLC2SolstheimWorld (Solstheim, Dragonborn.esm), BaseWorldCaves (Base Caves, BaseWorld.esp)"
      "Z:${WORK}/mo2/game/enbseries" --mo2 "Z:${WORK}/mo2/MO2/profiles/Default")
check(1 "E00      06000E00  IslesWorld                    Les Îles"
      --worldspaces "Z:${WORK}/mo2/game" --mo2 "Z:${WORK}/mo2/MO2/profiles/Default")
check(1 "[mod-manager-plugin] BaseWorld.esp is active in"
      --worldspaces "Z:${WORK}/mo2/game" --plugins-txt "Z:${WORK}/mo2/MO2/profiles/Default/plugins.txt")

# Plugins.txt where the game keeps it, in the prefix's %LOCALAPPDATA%: found once, by its Windows path
# (not again through $WINEPREFIX by a path that mixes '/' and '\').
if(DEFINED ENV{WINEPREFIX})
  set(prefix "$ENV{WINEPREFIX}")
else()
  get_filename_component(prefix "${bin}" DIRECTORY)
  set(prefix "${prefix}/wineprefix")
endif()
file(GLOB locals "${prefix}/drive_c/users/*/AppData/Local")
list(FILTER locals EXCLUDE REGEX "/users/Public/")
list(GET locals 0 local)
set(edition "${local}/Skyrim Special Edition MS")
file(COPY "${WORK}/game/Plugins.txt" DESTINATION "${edition}")
execute_process(COMMAND "${EMULATOR}" "${CHECKER}" "Z:${WORK}/game/enbseries" OUTPUT_VARIABLE out ERROR_VARIABLE err)
file(REMOVE_RECURSE "${edition}")
string(REGEX MATCH "its load order from [^\n]*" source "${out}")
if(NOT source MATCHES "^its load order from C:\\\\users\\\\[^/]*\\\\Skyrim Special Edition MS\\\\Plugins.txt$")
  message(SEND_ERROR "Plugins.txt in the prefix's %LOCALAPPDATA%: expected it once, by its Windows path:\n${out}${err}")
endif()

# Without it, the places looked in: %LOCALAPPDATA% by its Windows path, and no prefix again.
execute_process(COMMAND "${EMULATOR}" "${CHECKER}" --worldspaces "Z:${WORK}/game" OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT out MATCHES "no Plugins.txt found in %LOCALAPPDATA% \\(C:\\\\users\\\\[^/)]*\\) \\(in each")
  message(SEND_ERROR "No Plugins.txt: expected %LOCALAPPDATA% alone among the places looked in:\n${out}${err}")
endif()
# Messages name the program as it was started: Wine starts it by its Windows path.
string(REPLACE "/" "\\" started "Z:${CHECKER}")
check(2 "${started}: unknown option --bogus\n(see ${started} --help)" --bogus)
