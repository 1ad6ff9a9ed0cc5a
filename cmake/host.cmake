# Native build: the platform-independent logic and its unit tests, under
# AddressSanitizer and UndefinedBehaviorSanitizer.
option(NPZQK_FUZZ "Build the libFuzzer targets too (needs clang)" OFF)
set(SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
if(NPZQK_FUZZ)
  list(APPEND SANITIZERS -fsanitize=fuzzer-no-link)
endif()
add_compile_options(-g ${SANITIZERS})
add_link_options(${SANITIZERS})

add_library(plugin_logic STATIC ${PLUGIN_LOGIC_SOURCES})
target_include_directories(plugin_logic PUBLIC plugin)
# The JSON library's stack (Debian's 1.1.0) adds to its null pointer before
# its first allocation: that one check is off where its headers are used.
target_compile_options(rapidjson INTERFACE -fno-sanitize=pointer-overflow)
add_library(host_logic STATIC ${HOST_LOGIC_SOURCES})
target_include_directories(host_logic PUBLIC host ${PROJECT_BINARY_DIR}/generated)
target_link_libraries(host_logic PUBLIC plugin_logic rapidjson)
add_library(installer_logic STATIC ${INSTALLER_LOGIC_SOURCES})
target_include_directories(installer_logic PUBLIC installer)

add_subdirectory(tests/unit)
if(NPZQK_FUZZ)
  add_subdirectory(tests/fuzz)
endif()
