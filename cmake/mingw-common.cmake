# What both MinGW-w64 cross toolchains share; the including file sets
# CMAKE_SYSTEM_PROCESSOR and MEQ_MINGW_PREFIX first.
set(CMAKE_SYSTEM_NAME Windows)

# The posix flavour of the toolchain; the win32 flavour lacks std::thread and friends.
find_program(CMAKE_CXX_COMPILER NAMES ${MEQ_MINGW_PREFIX}-g++-posix ${MEQ_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${MEQ_MINGW_PREFIX}-gcc-posix ${MEQ_MINGW_PREFIX}-gcc)
find_program(CMAKE_RC_COMPILER NAMES ${MEQ_MINGW_PREFIX}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${MEQ_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
