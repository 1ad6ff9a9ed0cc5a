# The deliverables for Windows, the programs that test them under Wine, and
# the release package. The 64-bit build makes the plug-in alone: the
# installer stays 32-bit, as the browsers it installs into are.
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
# compiler's runtimes are linked in, and the files are stripped.
add_library(windows_static_runtime INTERFACE)
target_link_options(windows_static_runtime INTERFACE -static -static-libgcc -static-libstdc++ -s)

# What the deliverables are compiled with: small, and without the C++
# features they do not use.
add_library(deliverable_options INTERFACE)
target_compile_options(deliverable_options INTERFACE -Os -fno-exceptions -fno-rtti)
target_link_libraries(deliverable_options INTERFACE windows_static_runtime)

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

# The native messaging host: 32-bit, like the installer, so that one program
# runs on every Windows; the 64-bit tree's tests run this one.
if(NOT NPZQK_64_BIT)
add_executable(npzqk-host
  ${HOST_LOGIC_SOURCES}
  ${VIEWER_LAUNCH_SOURCES}
  plugin/launch_platform_win32.cpp
  host/platform_win32.cpp
  host/main.cpp)
target_include_directories(npzqk-host PRIVATE plugin host ${PROJECT_BINARY_DIR}/generated)
target_link_libraries(npzqk-host PRIVATE deliverable_options rapidjson shell32 advapi32)
endif()

add_subdirectory(tests/wine)
add_subdirectory(tests/bench)

# The built files read as files, on the Linux side.
set(pe_files $<TARGET_FILE:NPZqk>)
if(TARGET plugin-installer)
  list(APPEND pe_files $<TARGET_FILE:plugin-installer> $<TARGET_FILE:npzqk-host>)
endif()
add_test(NAME pe.layout COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tests/pe/check_pe.py ${pe_files})

include(${CMAKE_CURRENT_LIST_DIR}/package.cmake)
