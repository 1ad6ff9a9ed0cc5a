# Cross build for 32-bit x86 Windows with mingw-w64; its programs run under
# 32-bit Wine, in a win32 prefix.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(NPZQK_MINGW_TRIPLET i686-w64-mingw32)
set(NPZQK_MINGW_PACKAGE g++-mingw-w64-i686)
set(NPZQK_WINE_LOADER wine)
set(NPZQK_WINE_SERVER wineserver32 wineserver64)
set(NPZQK_WINEARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
