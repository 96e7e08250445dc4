# Cross build of the 32-bit Windows program with Debian's MinGW-w64 i686 toolchain.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MEQ_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
