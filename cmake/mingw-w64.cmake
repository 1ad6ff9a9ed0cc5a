# What the Windows toolchain files share: the mingw-w64 cross compiler for
# NPZQK_MINGW_TRIPLET, refused with a clear message when it is missing, and
# Wine as the emulator that runs the programs it builds. The emulator goes
# through wine-run.sh, which hands each program the private X display that
# the Wine tests' fixture started (tests/wine/CMakeLists.txt).
set(CMAKE_SYSTEM_NAME Windows)

find_program(NPZQK_CROSS_CXX ${NPZQK_MINGW_TRIPLET}-g++)
find_program(NPZQK_CROSS_WINDRES ${NPZQK_MINGW_TRIPLET}-windres)
if(NOT NPZQK_CROSS_CXX OR NOT NPZQK_CROSS_WINDRES)
  message(FATAL_ERROR "The ${NPZQK_MINGW_TRIPLET} cross compiler (${NPZQK_MINGW_TRIPLET}-g++ and "
                      "-windres) was not found: run scripts/install-deps.sh as root, or install the "
                      "Debian package ${NPZQK_MINGW_PACKAGE}.")
endif()
set(CMAKE_CXX_COMPILER ${NPZQK_CROSS_CXX})
set(CMAKE_RC_COMPILER ${NPZQK_CROSS_WINDRES})
set(CMAKE_FIND_ROOT_PATH /usr/${NPZQK_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# The Wine loader and server for this kind of program, called directly:
# Debian's wine command always prefers the 32-bit loader.
find_program(NPZQK_WINE NAMES ${NPZQK_WINE_LOADER} PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(NPZQK_WINESERVER NAMES ${NPZQK_WINE_SERVER} PATHS /usr/lib/wine NO_DEFAULT_PATH)
# Wine's 32-bit loader, whichever the tree: the tests start it to learn
# whether this machine runs 32-bit programs at all.
find_program(NPZQK_WINE32 NAMES wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
# Also without the loader: wine-run.sh skips, with the reason, what cannot run.
set(CMAKE_CROSSCOMPILING_EMULATOR /bin/sh ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${NPZQK_WINE})
