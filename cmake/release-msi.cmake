# Run by cpack after the release's files are staged and signed: the Windows
# Installer package NPZqk-<version>.msi beside the ZIP, made from those files
# (cmake/msi.cmake), then signed like them.
include(${CMAKE_CURRENT_LIST_DIR}/signing.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/release-epoch.cmake)
set(staged "${CPACK_TEMPORARY_DIRECTORY}")
if(NOT EXISTS "${staged}/x64/NPZqk.dll")
  message(WARNING "The release has no 64-bit plug-in: no MSI is made")
  return()
endif()
file(MAKE_DIRECTORY "${CPACK_PACKAGE_DIRECTORY}")
set(msi "${CPACK_PACKAGE_DIRECTORY}/NPZqk-${CPACK_PACKAGE_VERSION}.msi")
include(${CMAKE_CURRENT_LIST_DIR}/msi.cmake)
npzqk_make_msi("${msi}" ${CPACK_PACKAGE_VERSION} ${epoch} "${staged}")
npzqk_sign("${msi}")
