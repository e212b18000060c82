# Shared by the mingw-w64 toolchain files; VORTIQ_MINGW_TRIPLE names the target.
# The posix thread model: GoogleTest needs std::mutex.
set(CMAKE_C_COMPILER ${VORTIQ_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VORTIQ_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VORTIQ_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VORTIQ_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The C and C++ runtimes go into the program: it runs on a bare Windows.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
