# Cross-compiles for 32-bit Windows with mingw-w64; ctest runs the programs through 32-bit Wine,
# in a prefix of that architecture (PlixTesting.cmake hands PLIX_WINEARCH to every Wine test).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(PLIX_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

set(PLIX_WINEARCH win32)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/wine/wine.sh exec)
