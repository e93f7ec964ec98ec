# The release package: `cmake --build --preset windows --target package`
# makes Tavrix-<version>-win64.zip, which holds TVX.exe, README.md and
# LICENSE at its top (the program is portable: it is unzipped into a folder
# and run from there, its data file beside it).
install(TARGETS TVX RUNTIME DESTINATION . COMPONENT release)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION . COMPONENT release)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Tavrix)
set(CPACK_PACKAGE_VENDOR "The Tavrix developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Tavrix keyboard launcher")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_FILE_NAME Tavrix-${PROJECT_VERSION}-win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
# Only the release files, not whatever else a dependency installs.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};Tavrix;release;/")
set(CPACK_STRIP_FILES ON)
include(CPack)
