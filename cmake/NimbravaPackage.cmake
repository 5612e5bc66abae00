# The release: what a player unpacks into the game folder (the folder of the game's executable).
#   cmake --install build/windows --prefix DIR     # the same layout in DIR
#   cpack --config build/windows/CPackConfig.cmake # Nimbrava-<version>-win64.zip
#
#   <game folder>/Data/Yarrin/Plugins/Nimbrava.dll  where the plugin host loads plugins from
#   <game folder>/enbseries/_nimbrava.ini           the commented example configuration
#   <game folder>/nimbrava-check.exe                checks the configuration (tools/nimbrava-check)
set(NIMBRAVA_INSTALL_PLUGIN_DIR "Data/Yarrin/Plugins" CACHE STRING
    "Folder, relative to the game folder, from which the plugin host loads plugins")

install(FILES "$<TARGET_FILE:Nimbrava>" DESTINATION "${NIMBRAVA_INSTALL_PLUGIN_DIR}" COMPONENT Plugin)
install(FILES "${PROJECT_SOURCE_DIR}/examples/enbseries/_nimbrava.ini" DESTINATION enbseries COMPONENT Plugin)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Nimbrava)
set(CPACK_PACKAGE_VENDOR Vorkessa)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}")
set(CPACK_SYSTEM_NAME win64)
# The zip's root is the game folder: no top-level directory of its own.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}/package")
include(CPack)
