#!/usr/bin/env bash
# Builds the Windows programs with mingw-w64, and a zip of them: installs what is missing first
# (the -posix cross compilers, Wine with the i386 architecture for the 32-bit tests).
#   build-win32/  i686: Varnopile.exe (32-bit, as specified) and the unit tests, or only the targets
#                 in VARNOPILE_WIN32_TARGETS
#   build-win64/  x86_64: varnopile-convert.exe (64-bit), and the targets in VARNOPILE_WIN64_TARGETS
#   build-win32/package/Varnopile-<version>-windows.zip: both programs and a read-me
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

packages=(cmake ninja-build googletest zip g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine64 wine32:i386)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  echo "Installing: ${missing[*]}" >&2
  dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi

win32=${VARNOPILE_WIN32_DIR:-$root/build-win32}
win64=${VARNOPILE_WIN64_DIR:-$root/build-win64}
configure() {  # configure DIR ARCH [ARGS...]
  local dir=$1 arch=$2
  shift 2
  cmake -S "$root" -B "$dir" -G Ninja -DVARNOPILE_WERROR=ON -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" "$@" >/dev/null
}
configure "$win64" x86_64 ${VARNOPILE_LINUX_CONVERT:+-DVARNOPILE_LINUX_CONVERT="$VARNOPILE_LINUX_CONVERT"}
cmake --build "$win64" --target varnopile-convert ${VARNOPILE_WIN64_TARGETS:-}
# The zip takes the 64-bit converter from the other build.
configure "$win32" i686 -DVARNOPILE_CONVERT_EXE="$win64/tools/varnopile-convert.exe"
# shellcheck disable=SC2086
cmake --build "$win32" --target ${VARNOPILE_WIN32_TARGETS:-all}
cpack -B "$win32/package" --config "$win32/CPackConfig.cmake" >/dev/null
ls "$win32"/package/*.zip
