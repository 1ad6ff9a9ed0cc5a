# npzqk_make_msi(OUTPUT VERSION EPOCH FOLDER): the Windows Installer package
# (packaging/NPZqk.wxs, scripts/make_msi.py) of the release's files laid out
# in FOLDER as in the ZIP. Used by the release and by the 64-bit tests.
set(NPZQK_MSI_FILES npzqk-host.exe com.quendrix.npzqk.chromium.json com.quendrix.npzqk.firefox.json
                    NPZqk.dll x64/NPZqk.dll README.txt CHANGELOG.md)
set(NPZQK_MSI_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}/..)
function(npzqk_make_msi output version epoch folder)
  set(mapping)
  foreach(name IN LISTS NPZQK_MSI_FILES)
    list(APPEND mapping "${name}=${folder}/${name}")
  endforeach()
  execute_process(COMMAND /usr/bin/python3 ${NPZQK_MSI_SOURCE_DIR}/scripts/make_msi.py
                          ${NPZQK_MSI_SOURCE_DIR}/packaging/NPZqk.wxs ${version} ${epoch} ${output} ${mapping}
                  RESULT_VARIABLE status ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "Making ${output} failed (wixl and python3-olefile come from scripts/install-deps.sh): "
                        "${errors}")
  endif()
endfunction()

# As a script: cmake -D NPZQK_MSI_OUTPUT=… -D version=… -D epoch=… -D folder=… -P cmake/msi.cmake
if(NPZQK_MSI_OUTPUT)
  npzqk_make_msi("${NPZQK_MSI_OUTPUT}" ${version} ${epoch} "${folder}")
endif()
