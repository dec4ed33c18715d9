# Cross-builds the same program for 64-bit Windows: where this machine cannot run 32-bit programs
# (and so no 32-bit Wine), the Windows suites run in this build under wine64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QUORVEL_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)

# Debian puts the 64-bit loader beside the 32-bit one, not on the PATH.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
