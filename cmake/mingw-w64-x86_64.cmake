# 64-bit Windows (varnopile-convert.exe): cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(VARNOPILE_MINGW_TRIPLE x86_64-w64-mingw32)
set(VARNOPILE_MINGW_ARCH AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
