# The release: the archives a player downloads, made by CPack from the install rules below.
#
# Windows build (preset windows):   cpack --config build/windows/CPackConfig.cmake
#   Nimbrava-<version>-win64.zip               its root is the game folder (the folder of the game's
#                                              executable), for installing by hand:
#     Data/Yarrin/Plugins/Nimbrava.dll         where the plugin host loads plugins from
#     enbseries/_nimbrava.example.ini          the commented example; never _nimbrava.ini itself,
#                                              which is the player's and which no update overwrites
#     nimbrava-check.exe                       checks the configuration (tools/nimbrava-check)
#     Nimbrava guide.txt                       GUIDE.md with Notepad's CR LF line ends
#   Nimbrava-<version>-win64-mod-manager.zip   its root is Data, where Mod Organizer 2 and Vortex put
#                                              a mod's files: Yarrin/Plugins/Nimbrava.dll, and the
#                                              three game-folder files under Root/, which MO2's Root
#                                              Builder deploys into the game folder
# Linux release build (preset linux-release):   cpack --config build/linux-release/CPackConfig.cmake
#   Nimbrava-check-<version>-linux-x86_64.tar.gz   nimbrava-check, linked statically, and the guide:
#                                              for Proton and the Steam Deck, which have no wine
#
# The archives land in BUILD/package. Their binaries are stripped copies in BUILD/release; the debug
# information stays beside them in BUILD/release/<name>.debug, which the copy's debug link names for
# gdb. `cmake --install BUILD --component GameFolder --prefix DIR` lays the first archive out in DIR
# (components GameFolder, ModManager; Checker in the Linux build).
set(NIMBRAVA_INSTALL_PLUGIN_DIR "Data/Yarrin/Plugins" CACHE STRING
    "Folder, relative to the game folder, from which the plugin host loads plugins")

set(_nimbrava_release "${CMAKE_BINARY_DIR}/release")
file(MAKE_DIRECTORY "${_nimbrava_release}")

# release/NAME: the binary of TARGET without symbols and debug information, which go to
# release/NAME.debug. Appends the two files to the variable `outputs`.
function(nimbrava_release_binary target name)
  set(out "${_nimbrava_release}/${name}")
  add_custom_command(OUTPUT "${out}" "${out}.debug"
    COMMAND "${CMAKE_OBJCOPY}" --only-keep-debug "$<TARGET_FILE:${target}>" "${out}.debug"
    COMMAND "${CMAKE_OBJCOPY}" --strip-all "--add-gnu-debuglink=${out}.debug" "$<TARGET_FILE:${target}>" "${out}"
    DEPENDS ${target}
    COMMENT "Stripping ${name} for the release"
    VERBATIM)
  set(outputs ${outputs} "${out}" "${out}.debug" PARENT_SCOPE)
endfunction()

# release/NAME: a text file of the source tree with CR LF line ends, which every Notepad shows.
function(nimbrava_release_text source name)
  file(READ "${PROJECT_SOURCE_DIR}/${source}" text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  # Written anew only when it changed.
  file(WRITE "${_nimbrava_release}/${name}.new" "${text}")
  file(COPY_FILE "${_nimbrava_release}/${name}.new" "${_nimbrava_release}/${name}" ONLY_IF_DIFFERENT)
  file(REMOVE "${_nimbrava_release}/${name}.new")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/${source}")
endfunction()

set(outputs)
nimbrava_release_text(GUIDE.md "Nimbrava guide.txt")
set(_nimbrava_guide "${_nimbrava_release}/Nimbrava guide.txt")
set(_nimbrava_checker "${_nimbrava_release}/nimbrava-check${CMAKE_EXECUTABLE_SUFFIX}")
nimbrava_release_binary(nimbrava-check "nimbrava-check${CMAKE_EXECUTABLE_SUFFIX}")

if(WIN32)
  nimbrava_release_binary(Nimbrava Nimbrava.dll)
  nimbrava_release_text(examples/release/_nimbrava.example.ini _nimbrava.example.ini)
  add_custom_target(nimbrava_release ALL DEPENDS ${outputs})

  # By hand: the game folder.
  install(FILES "${_nimbrava_release}/Nimbrava.dll" DESTINATION "${NIMBRAVA_INSTALL_PLUGIN_DIR}" COMPONENT GameFolder)
  install(FILES "${_nimbrava_release}/_nimbrava.example.ini" DESTINATION enbseries COMPONENT GameFolder)
  install(PROGRAMS "${_nimbrava_checker}" DESTINATION . COMPONENT GameFolder)
  install(FILES "${_nimbrava_guide}" DESTINATION . COMPONENT GameFolder)

  # Mod managers: Data, with the game folder's files in Root/ (a plugin folder outside Data too).
  if(NIMBRAVA_INSTALL_PLUGIN_DIR MATCHES "^[Dd][Aa][Tt][Aa]/(.+)$")
    set(_nimbrava_data_plugin_dir "${CMAKE_MATCH_1}")
  else()
    set(_nimbrava_data_plugin_dir "Root/${NIMBRAVA_INSTALL_PLUGIN_DIR}")
  endif()
  install(FILES "${_nimbrava_release}/Nimbrava.dll" DESTINATION "${_nimbrava_data_plugin_dir}" COMPONENT ModManager)
  install(FILES "${_nimbrava_release}/_nimbrava.example.ini" DESTINATION Root/enbseries COMPONENT ModManager)
  install(PROGRAMS "${_nimbrava_checker}" DESTINATION Root COMPONENT ModManager)
  install(FILES "${_nimbrava_guide}" DESTINATION Root COMPONENT ModManager)
else()
  # Linux: a program that needs no library of this machine but the kernel.
  target_link_options(nimbrava-check PRIVATE -static)
  add_custom_target(nimbrava_release ALL DEPENDS ${outputs})
  install(PROGRAMS "${_nimbrava_checker}" DESTINATION . COMPONENT Checker)
  install(FILES "${_nimbrava_guide}" DESTINATION . COMPONENT Checker)
endif()

set(CPACK_PACKAGE_NAME Nimbrava)
set(CPACK_PACKAGE_VENDOR Vorkessa)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}")
# One archive per component, each with its files at the root: no top-level folder of its own.
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}/package")
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_COMPONENTS_ALL GameFolder ModManager)
  set(CPACK_ARCHIVE_GAMEFOLDER_FILE_NAME "Nimbrava-${CPACK_PACKAGE_VERSION}-win64")
  set(CPACK_ARCHIVE_MODMANAGER_FILE_NAME "Nimbrava-${CPACK_PACKAGE_VERSION}-win64-mod-manager")
else()
  set(CPACK_GENERATOR TGZ)
  set(CPACK_COMPONENTS_ALL Checker)
  set(CPACK_ARCHIVE_CHECKER_FILE_NAME "Nimbrava-check-${CPACK_PACKAGE_VERSION}-linux-x86_64")
endif()
include(CPack)
