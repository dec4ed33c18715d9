# What the two Windows toolchains share: Debian's mingw-w64 compiler for the processor that the
# file including this one names in QUORVEL_MINGW_PREFIX. The posix-threads variant is the one
# whose C++ runtime has std::thread and friends.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${QUORVEL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORVEL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QUORVEL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUORVEL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One executable that needs nothing beyond Windows' own DLLs: the C++ runtime, libgcc and
# winpthread are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
