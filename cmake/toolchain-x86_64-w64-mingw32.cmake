# Cross build for Windows (x86_64) with MinGW-w64 from Linux; tests run under Wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QUENLO_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
