# Cross-builds the 32-bit Windows program, the one Quorvel ships.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUORVEL_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)

# Built programs and tests run under Wine here.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
