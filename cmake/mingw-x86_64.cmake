# 64-bit Windows build of the Win32-only suites, for a Wine that runs no 32-bit programs
# (a kernel without 32-bit emulation). The program itself is 32-bit: mingw-i686.cmake.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MEQ_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
