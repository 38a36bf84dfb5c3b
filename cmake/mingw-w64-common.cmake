# Shared by the two mingw-w64 toolchain files: set VARNOPILE_MINGW_TRIPLE before including this.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${VARNOPILE_MINGW_ARCH})

# The -posix compilers: GCC 12's default (win32) thread model has no std::thread.
set(CMAKE_C_COMPILER ${VARNOPILE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VARNOPILE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VARNOPILE_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VARNOPILE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libstdc++, libgcc and winpthread linked in: each .exe needs only Windows' own DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests and tools run under Wine, in a prefix of the build's own.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
