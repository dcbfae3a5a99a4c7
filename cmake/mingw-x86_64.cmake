# The Windows program for 64-bit x86 (x64), for Windows without 32-bit support.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(PELLWICK_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
