# Run by CPack after it has written the release ZIP (still in its staging
# folder, from which CPack then copies it unchanged to the package folder):
# writes the ZIP's SHA-256 beside where it lands ("<hash>  <file name>", as
# sha256sum prints and checks it) and the Scoop and winget manifests for that
# very ZIP, so they are never stale.
set(folder "${CPACK_PACKAGE_DIRECTORY}")
foreach(zip IN LISTS CPACK_PACKAGE_FILES)
  if(NOT zip MATCHES "\\.zip$")
    continue()
  endif()
  get_filename_component(TVX_ZIP_NAME "${zip}" NAME)
  file(SHA256 "${zip}" TVX_ZIP_SHA256)
  string(TOUPPER "${TVX_ZIP_SHA256}" TVX_ZIP_SHA256_UPPER)
  file(WRITE "${folder}/${TVX_ZIP_NAME}.sha256" "${TVX_ZIP_SHA256}  ${TVX_ZIP_NAME}\n")

  set(TVX_VERSION "${CPACK_PACKAGE_VERSION}")
  set(TVX_HOMEPAGE "${CPACK_TVX_HOMEPAGE}")
  set(TVX_ZIP_URL "${CPACK_TVX_RELEASE_URL}/${TVX_ZIP_NAME}")
  set(out "${folder}/packaging")
  file(REMOVE_RECURSE "${out}")
  configure_file("${CPACK_TVX_TEMPLATES}/scoop/tavrix.json.in" "${out}/scoop/tavrix.json" @ONLY)
  foreach(name Tavrix.Tavrix.yaml Tavrix.Tavrix.installer.yaml Tavrix.Tavrix.locale.en-US.yaml)
    configure_file("${CPACK_TVX_TEMPLATES}/winget/${name}.in" "${out}/winget/${TVX_VERSION}/${name}" @ONLY)
  endforeach()
  message(STATUS "Package manifests for ${TVX_ZIP_NAME} (SHA-256 ${TVX_ZIP_SHA256}) in ${out}")
endforeach()
