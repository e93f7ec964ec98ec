# The release package: `cmake --build --preset windows --target package`
# makes Tavrix-<version>-win64.zip, which holds TVX.exe, README.md and
# LICENSE at its top (the program is portable: it is unzipped into a folder
# and run from there, its data file beside it). Beside the ZIP it writes the
# ZIP's SHA-256 and, under packaging/, the Scoop and winget manifests for it,
# made from the templates in packaging/ with this version and that hash.
install(TARGETS TVX RUNTIME DESTINATION . COMPONENT release)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION . COMPONENT release)

# Where the release ZIPs are published: the manifests point there.
set(TVX_HOMEPAGE "https://github.com/tavrix/tavrix" CACHE STRING "Project page named by the package manifests")
set(TVX_RELEASE_URL "${TVX_HOMEPAGE}/releases/download/v${PROJECT_VERSION}"
    CACHE STRING "Folder address of the published release ZIP, named by the package manifests")

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
# Read by package_manifests.cmake, which CPack runs once the ZIP is written.
set(CPACK_TVX_TEMPLATES ${CMAKE_SOURCE_DIR}/packaging)
set(CPACK_TVX_HOMEPAGE ${TVX_HOMEPAGE})
set(CPACK_TVX_RELEASE_URL ${TVX_RELEASE_URL})
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/package_manifests.cmake)
include(CPack)
