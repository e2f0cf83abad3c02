# Cross build for Windows (i686), the 32-bit release, with MinGW-w64 from Linux.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUENLO_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
