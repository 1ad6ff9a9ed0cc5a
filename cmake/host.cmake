# Native build: the platform-independent logic and its unit tests, under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set(SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_compile_options(-g ${SANITIZERS})
add_link_options(${SANITIZERS})

add_library(plugin_logic STATIC ${PLUGIN_LOGIC_SOURCES})
target_include_directories(plugin_logic PUBLIC plugin)
add_library(installer_logic STATIC ${INSTALLER_LOGIC_SOURCES})
target_include_directories(installer_logic PUBLIC installer)

add_subdirectory(tests/unit)
