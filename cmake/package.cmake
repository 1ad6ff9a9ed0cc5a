# The release: a ZIP made by CPack, with its SHA-256 checksum beside it,
# holding the plug-in, the installer, the native messaging host with its
# manifests, the browser extension and a short text for the user; beside it
# the same as a Windows Installer package, and the extension packed for
# Firefox and, given an organisation's key, for Chrome and Edge. The 32-bit build packages; the 64-bit plug-in joins it,
# under x64\, from the 64-bit build tree named by NPZQK_X64_BUILD_DIR when
# that tree is built.
if(NPZQK_64_BIT)
  install(TARGETS NPZqk RUNTIME DESTINATION x64)
  return()
endif()

install(TARGETS NPZqk plugin-installer npzqk-host RUNTIME DESTINATION .)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/extension/ DESTINATION extension)
configure_file(${PROJECT_SOURCE_DIR}/packaging/README.txt.in ${PROJECT_BINARY_DIR}/README.txt
               @ONLY NEWLINE_STYLE CRLF)
configure_file(${PROJECT_SOURCE_DIR}/CHANGELOG.md ${PROJECT_BINARY_DIR}/CHANGELOG.md @ONLY NEWLINE_STYLE CRLF)
install(FILES ${PROJECT_BINARY_DIR}/README.txt ${PROJECT_BINARY_DIR}/CHANGELOG.md
              ${PROJECT_BINARY_DIR}/com.quendrix.npzqk.chromium.json ${PROJECT_BINARY_DIR}/com.quendrix.npzqk.firefox.json
        DESTINATION .)

set(NPZQK_X64_BUILD_DIR "" CACHE PATH "The 64-bit build tree whose NPZqk.dll the release also holds")
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME NPZqk)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME windows)
set(CPACK_PACKAGE_CHECKSUM SHA256)
# Signed when a certificate is given, then made the same bytes for the same
# files (cmake/release-sign.cmake, cmake/release-normalize.cmake).
set(CPACK_NPZQK_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_NPZQK_PACKED_EXTENSIONS ${NPZQK_XPI} ${NPZQK_CRX})
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/release-sign.cmake ${PROJECT_SOURCE_DIR}/cmake/release-msi.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/release-normalize.cmake)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};NPZqk;ALL;/")
configure_file(${CMAKE_CURRENT_LIST_DIR}/package-projects.cmake.in ${PROJECT_BINARY_DIR}/package-projects.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/package-projects.cmake)
include(CPack)
