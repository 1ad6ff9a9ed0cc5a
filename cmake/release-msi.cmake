# Run by cpack after the release's files are staged and signed: the Windows
# Installer package NPZqk-<version>.msi beside the ZIP, made from those files
# (packaging/NPZqk.wxs, scripts/make_msi.py), then signed like them.
include(${CMAKE_CURRENT_LIST_DIR}/signing.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/release-epoch.cmake)
set(staged "${CPACK_TEMPORARY_DIRECTORY}")
if(NOT EXISTS "${staged}/x64/NPZqk.dll" OR NOT EXISTS "${staged}/x64/npzqk-host.exe")
  message(WARNING "The release has no 64-bit plug-in and host: no MSI is made")
  return()
endif()
file(MAKE_DIRECTORY "${CPACK_PACKAGE_DIRECTORY}")
set(msi "${CPACK_PACKAGE_DIRECTORY}/NPZqk-${CPACK_PACKAGE_VERSION}.msi")
execute_process(COMMAND /usr/bin/python3 ${CPACK_NPZQK_SOURCE_DIR}/scripts/make_msi.py
                        ${CPACK_NPZQK_SOURCE_DIR}/packaging/NPZqk.wxs ${CPACK_PACKAGE_VERSION} ${epoch} ${msi} ${staged}
                RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "Making ${msi} failed (wixl and python3-olefile come from scripts/install-deps.sh): ${errors}")
endif()
npzqk_sign("${msi}")
