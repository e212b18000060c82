# Cross build of a 64-bit Windows program with mingw-w64 (Debian:
# g++-mingw-w64-x86-64), for running the Windows tests under Wine where 32-bit
# programs cannot run.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(VORTIQ_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
