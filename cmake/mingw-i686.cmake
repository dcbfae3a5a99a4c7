# The Windows program for 32-bit x86: it runs on every Windows PC.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(PELLWICK_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
