# The release: a ZIP made by CPack, with its SHA-256 checksum beside it,
# holding the plug-in, the installer, the native messaging host with its
# manifests, the browser extension and a short text for the user; beside it
# the same as a Windows Installer package, and the extension packed for
# Firefox and, given an organisation's key, for Chrome and Edge. The 32-bit
# build packages; the 64-bit plug-in and host join it, under x64\, from the
# 64-bit build tree named by NPZQK_X64_BUILD_DIR when that tree is built.
if(NPZQK_64_BIT)
  install(TARGETS NPZqk npzqk-host RUNTIME DESTINATION x64)
  return()
endif()

install(TARGETS NPZqk plugin-installer npzqk-host RUNTIME DESTINATION .)
install(DIRECTORY ${PROJECT_BINARY_DIR}/extension/ DESTINATION extension PATTERN _metadata EXCLUDE)
configure_file(${PROJECT_SOURCE_DIR}/packaging/README.txt.in ${PROJECT_BINARY_DIR}/README.txt
               @ONLY NEWLINE_STYLE CRLF)
configure_file(${PROJECT_SOURCE_DIR}/CHANGELOG.md ${PROJECT_BINARY_DIR}/CHANGELOG.md @ONLY NEWLINE_STYLE CRLF)
install(FILES ${PROJECT_BINARY_DIR}/README.txt ${PROJECT_BINARY_DIR}/CHANGELOG.md
              ${PROJECT_BINARY_DIR}/com.quendrix.npzqk.chromium.json ${PROJECT_BINARY_DIR}/com.quendrix.npzqk.firefox.json
        DESTINATION .)

# For administrators: Group Policy templates for Chrome and Edge, and an
# example of Firefox's policies.json, for the extension the organisation
# deploys (its own packed one when the build was given its key).
set(policy_templates ${PROJECT_SOURCE_DIR}/packaging/policy)
set(NPZQK_DEPLOYED_ID ${NPZQK_CHROMIUM_EXTENSION_ID})
set(NPZQK_ADMX_FORCE_INSTALL "")
set(NPZQK_UPDATES_URL "")
set(NPZQK_XPI_URL "https://addons.mozilla.org/firefox/downloads/latest/${NPZQK_FIREFOX_EXTENSION_ID}/latest.xpi")
if(NPZQK_PACKED_EXTENSION_ID)
  set(NPZQK_DEPLOYED_ID ${NPZQK_PACKED_EXTENSION_ID})
  set(NPZQK_UPDATES_URL ${NPZQK_EXTENSION_URL}updates.xml)
  set(NPZQK_XPI_URL ${NPZQK_EXTENSION_URL}NPZqk-${PROJECT_VERSION}.xpi)
  file(READ ${policy_templates}/force-install.admx.in force_install)
  string(REGEX REPLACE "^<!--[^>]*-->\n" "" force_install "${force_install}")
  string(CONFIGURE "${force_install}" NPZQK_ADMX_FORCE_INSTALL @ONLY)
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${policy_templates}/force-install.admx.in)
foreach(template NPZqk.admx en-US/NPZqk.adml de-DE/NPZqk.adml fr-FR/NPZqk.adml policies.json)
  configure_file(${policy_templates}/${template}.in ${PROJECT_BINARY_DIR}/policy/${template} @ONLY NEWLINE_STYLE CRLF)
endforeach()
install(DIRECTORY ${PROJECT_BINARY_DIR}/policy DESTINATION .)

set(NPZQK_X64_BUILD_DIR "" CACHE PATH "The 64-bit build tree whose NPZqk.dll the release also holds")
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME NPZqk)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME windows)
set(CPACK_PACKAGE_CHECKSUM SHA256)
# Signed when a certificate is given, then made the same bytes for the same
# files (cmake/release-sign.cmake, cmake/release-normalize.cmake).
set(CPACK_NPZQK_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_NPZQK_PACKED_EXTENSIONS ${NPZQK_XPI} ${NPZQK_STORE_ZIP} ${NPZQK_CRX})
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/release-sign.cmake ${PROJECT_SOURCE_DIR}/cmake/release-msi.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/release-normalize.cmake)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};NPZqk;ALL;/")
configure_file(${CMAKE_CURRENT_LIST_DIR}/package-projects.cmake.in ${PROJECT_BINARY_DIR}/package-projects.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/package-projects.cmake)
include(CPack)
