# Cross-compiles for 64-bit Windows with mingw-w64; ctest runs the programs through Wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(PLIX_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/wine/wine.sh exec)
