# The deliverables for Windows, the programs that test them under Wine, and
# the release package. The 64-bit build makes the plug-in and the native
# messaging host: the installer stays 32-bit, as the browsers it installs
# into are.
enable_language(RC)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
# Export names and ordinals: x86 decorates the WINAPI names, x86-64 does not.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(NPZQK_64_BIT ON)
  set(NPZQK_EXPORTS plugin/NPZqk_x64.def)
else()
  set(NPZQK_64_BIT OFF)
  set(NPZQK_EXPORTS plugin/NPZqk.def)
endif()

# Every Windows program of the project imports only Windows system DLLs: the
# compiler's runtimes are linked in, and the files are stripped. They ask
# Windows for its protections (ASLR with relocations, high-entropy ASLR for
# 64-bit files, DEP), and carry no time stamp, so that a build of the same
# commit gives the same bytes.
add_library(windows_static_runtime INTERFACE)
target_link_options(windows_static_runtime INTERFACE -static -static-libgcc -static-libstdc++ -s
  -Wl,--no-insert-timestamp -Wl,--dynamicbase -Wl,--nxcompat $<$<BOOL:${NPZQK_64_BIT}>:-Wl,--high-entropy-va>)

# What the deliverables are compiled with: small, without the C++ features
# they do not use, with stack protection (its runtime, runtime/, built into
# each), and with no trace of the folder they were built in.
add_library(stack_guard STATIC runtime/stack_guard_win32.cpp)
target_compile_options(stack_guard PRIVATE -Os -fno-stack-protector)
add_library(deliverable_options INTERFACE)
target_compile_options(deliverable_options INTERFACE -Os -fno-exceptions -fno-rtti -fstack-protector-strong
  -ffile-prefix-map=${PROJECT_SOURCE_DIR}/= -ffile-prefix-map=${PROJECT_BINARY_DIR}/=)
# Only a program with protected functions links the runtime in: the release
# check finds it in every file.
target_link_libraries(deliverable_options INTERFACE windows_static_runtime stack_guard)

add_library(NPZqk SHARED
  ${PLUGIN_LOGIC_SOURCES}
  plugin/launch_platform_win32.cpp
  plugin/platform_win32.cpp
  plugin/notice_win32.cpp
  ${NPZQK_EXPORTS}
  plugin/resources/NPZqk.rc)
set_target_properties(NPZqk PROPERTIES PREFIX "" OUTPUT_NAME NPZqk)
target_include_directories(NPZqk PRIVATE plugin)
target_link_libraries(NPZqk PRIVATE deliverable_options shell32 user32 gdi32 advapi32)

if(NOT NPZQK_64_BIT)
  add_executable(plugin-installer ${INSTALLER_LOGIC_SOURCES} installer/platform_win32.cpp installer/main.cpp)
  target_link_libraries(plugin-installer PRIVATE deliverable_options advapi32)
endif()

# The native messaging host, from the same sources in both trees: the 32-bit
# one runs on every Windows and registers itself; the 64-bit one is what the
# Windows Installer package, for 64-bit Windows, installs.
add_executable(npzqk-host
  ${HOST_LOGIC_SOURCES}
  ${VIEWER_LAUNCH_SOURCES}
  plugin/launch_platform_win32.cpp
  host/platform_win32.cpp
  host/runtime_win32.cpp
  host/main.cpp)
# As C++20 the standard strings are instantiated here, without exceptions,
# rather than linked from the library's prebuilt copy, which throws.
set_target_properties(npzqk-host PROPERTIES CXX_STANDARD 20)
target_include_directories(npzqk-host PRIVATE plugin host ${PROJECT_BINARY_DIR}/generated)
target_link_libraries(npzqk-host PRIVATE deliverable_options rapidjson shell32 advapi32)

# The extension is the same for every Windows: the 32-bit tree, which
# packages the release, copies and packs it.
if(NOT NPZQK_64_BIT)

# The browser extension that talks to it, as the browsers load it: its own
# files, copied into the tree, with its drawing rendered at the sizes the
# browsers and stores ask for in place of its source.
find_program(NPZQK_RSVG_CONVERT rsvg-convert REQUIRED)
file(GLOB_RECURSE extension_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/extension/*)
set(extension_copy ${PROJECT_BINARY_DIR}/extension)
set(icon_source ${PROJECT_SOURCE_DIR}/extension/icons/npzqk.svg)
set(render_icons)
set(extension_icons)
foreach(size 16 32 48 128)
  list(APPEND render_icons COMMAND ${NPZQK_RSVG_CONVERT} -w ${size} -h ${size} ${icon_source}
                                   -o ${extension_copy}/icons/npzqk-${size}.png)
  list(APPEND extension_icons ${extension_copy}/icons/npzqk-${size}.png)
endforeach()
add_custom_command(OUTPUT ${extension_copy}/manifest.json ${extension_icons}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${extension_copy}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/extension ${extension_copy}
  COMMAND ${CMAKE_COMMAND} -E rm ${extension_copy}/icons/npzqk.svg
  ${render_icons}
  DEPENDS ${extension_files}
  COMMENT "Copying the browser extension, its icons rendered")
add_custom_target(extension ALL DEPENDS ${extension_copy}/manifest.json)
# The same packed for Firefox, with its manifest as Firefox reads it.
set(NPZQK_XPI ${PROJECT_BINARY_DIR}/NPZqk-${PROJECT_VERSION}.xpi)
set(packer ${PROJECT_SOURCE_DIR}/scripts/pack_extension.py)
add_custom_command(OUTPUT ${NPZQK_XPI}
  COMMAND ${Python3_EXECUTABLE} ${packer} firefox ${extension_copy} ${NPZQK_XPI}
  DEPENDS ${extension_copy}/manifest.json ${packer}
  COMMENT "Packing the extension for Firefox")
add_custom_target(xpi ALL DEPENDS ${NPZQK_XPI})
# And for the Chrome Web Store and Microsoft Edge Add-ons.
set(NPZQK_STORE_ZIP ${PROJECT_BINARY_DIR}/NPZqk-${PROJECT_VERSION}-store.zip)
add_custom_command(OUTPUT ${NPZQK_STORE_ZIP}
  COMMAND ${Python3_EXECUTABLE} ${packer} store ${extension_copy} ${NPZQK_STORE_ZIP}
  DEPENDS ${extension_copy}/manifest.json ${packer}
  COMMENT "Packing the extension for the Chrome and Edge stores")
add_custom_target(store_zip ALL DEPENDS ${NPZQK_STORE_ZIP})
# For Chrome and Edge, given an organisation's key: the CRX and its update
# manifest, for the organisation's own server.
set(NPZQK_CRX)
if(NPZQK_EXTENSION_KEY)
  set(NPZQK_CRX ${PROJECT_BINARY_DIR}/chromium/NPZqk-${PROJECT_VERSION}.crx ${PROJECT_BINARY_DIR}/chromium/updates.xml)
  add_custom_command(OUTPUT ${NPZQK_CRX}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/chromium
    COMMAND ${Python3_EXECUTABLE} ${packer} chromium ${extension_copy} ${PROJECT_BINARY_DIR}/chromium/NPZqk-${PROJECT_VERSION}.crx
            ${NPZQK_EXTENSION_KEY} ${NPZQK_EXTENSION_URL}
    DEPENDS ${extension_copy}/manifest.json ${packer} ${NPZQK_EXTENSION_KEY}
    COMMENT "Packing the extension for Chrome and Edge, ID ${NPZQK_PACKED_EXTENSION_ID}")
  add_custom_target(crx ALL DEPENDS ${NPZQK_CRX})
endif()
endif()

# The programs that test and measure the deliverables; a tree that only
# makes the release can leave them out. The benchmark is built when asked
# for (scripts/bench.sh), since no test runs it.
option(NPZQK_TEST_PROGRAMS "Build the Wine test programs and the benchmark" ON)
if(NPZQK_TEST_PROGRAMS)
  add_subdirectory(tests/wine)
  add_subdirectory(tests/bench EXCLUDE_FROM_ALL)
endif()

# The built files read as files, on the Linux side.
set(pe_files $<TARGET_FILE:NPZqk> $<TARGET_FILE:npzqk-host>)
if(TARGET plugin-installer)
  list(APPEND pe_files $<TARGET_FILE:plugin-installer>)
endif()
add_test(NAME pe.layout COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tests/pe/check_pe.py ${pe_files})

include(${CMAKE_CURRENT_LIST_DIR}/package.cmake)
