# Cross build of the Linux program for 64-bit ARM, such as a Raspberry Pi
# (Debian: g++-aarch64-linux-gnu). The program is a static PIE as on x86-64;
# tests run under qemu-aarch64 through scripts/qemu-aarch64-run.sh.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The .deb's architecture as Debian names it; cpack would ask the host's dpkg.
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/qemu-aarch64-run.sh)
