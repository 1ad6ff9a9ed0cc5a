# The deliverables for 32-bit Windows, and the tests that run them under Wine.
enable_language(RC)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
add_compile_options(-Os -fno-exceptions -fno-rtti)
# Only Windows system DLLs may be imported: the compiler's runtimes are linked in.
add_link_options(-static -static-libgcc -static-libstdc++ -s)

add_library(NPZqk SHARED
  ${PLUGIN_LOGIC_SOURCES}
  plugin/platform_win32.cpp
  plugin/notice_win32.cpp
  plugin/NPZqk.def
  plugin/resources/NPZqk.rc)
set_target_properties(NPZqk PROPERTIES PREFIX "" OUTPUT_NAME NPZqk)
target_include_directories(NPZqk PRIVATE plugin)
target_link_libraries(NPZqk PRIVATE shell32 user32 gdi32 advapi32)

add_executable(plugin-installer ${INSTALLER_LOGIC_SOURCES} installer/platform_win32.cpp installer/main.cpp)
target_link_libraries(plugin-installer PRIVATE advapi32)

add_subdirectory(tests/wine)
add_subdirectory(tests/bench)

# The built files read as files, on the Linux side.
add_test(NAME pe.layout
  COMMAND /usr/bin/python3 ${PROJECT_SOURCE_DIR}/tests/pe/check_pe.py
          $<TARGET_FILE:NPZqk> $<TARGET_FILE:plugin-installer>)
