# Cross-build for 32-bit Windows (the shipped player) with Debian's MinGW-w64.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(BRIVEL_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
