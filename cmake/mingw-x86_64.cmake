# 64-bit Windows build of the Win32-only suites, for a Wine that runs no 32-bit programs
# (a kernel without 32-bit emulation). The program itself is 32-bit: mingw-i686.cmake.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MEQ_MINGW_PREFIX x86_64-w64-mingw32)
# The posix flavour of the toolchain; the win32 flavour lacks std::thread and friends.
find_program(CMAKE_CXX_COMPILER NAMES ${MEQ_MINGW_PREFIX}-g++-posix ${MEQ_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${MEQ_MINGW_PREFIX}-gcc-posix ${MEQ_MINGW_PREFIX}-gcc)
find_program(CMAKE_RC_COMPILER NAMES ${MEQ_MINGW_PREFIX}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${MEQ_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
