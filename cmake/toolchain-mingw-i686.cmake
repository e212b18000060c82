# Cross build of the 32-bit Windows program with mingw-w64 (Debian:
# g++-mingw-w64-i686). Programs are linked statically, so they need no runtime
# DLL; tests run under Wine through scripts/wine-run.sh.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(VORTIQ_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# Every x86 CPU a supported Windows runs on has SSE2, which the line scans use.
# Windows keeps a 32-bit stack only 4-byte aligned: realign where vectors spill.
set(CMAKE_C_FLAGS_INIT "-msse2 -mstackrealign")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mstackrealign")
