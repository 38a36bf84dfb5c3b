# 32-bit Windows (Varnopile.exe): cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
set(VARNOPILE_MINGW_TRIPLE i686-w64-mingw32)
set(VARNOPILE_MINGW_ARCH x86)
# The AVX2 stream code's target attributes build on SSE2 registers.
set(CMAKE_C_FLAGS_INIT "-msse2")
set(CMAKE_CXX_FLAGS_INIT "-msse2")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
