# Cross build for 64-bit x86 Windows with mingw-w64; its programs run under
# 64-bit Wine, in a win64 prefix.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(NPZQK_MINGW_TRIPLET x86_64-w64-mingw32)
set(NPZQK_MINGW_PACKAGE g++-mingw-w64-x86-64)
set(NPZQK_WINE_LOADER wine64)
set(NPZQK_WINE_SERVER wineserver64)
set(NPZQK_WINEARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
