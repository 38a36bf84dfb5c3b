#!/usr/bin/env bash
# Builds the Windows programs (scripts/build-windows.sh) and runs their tests under Wine: the unit
# tests of util/ and core/ and the Win32 window's in the 32-bit build, and the 64-bit converter
# against the Linux one, byte for byte. The unit tests run on one architecture only: a Wine start
# costs seconds, and the code they test is the same on both.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

# The Linux converter to compare with: scripts/test.sh's, else built here.
linux=${VARNOPILE_LINUX_CONVERT:-}
if [ -z "$linux" ]; then
  build=${VARNOPILE_BUILD_DIR:-$root/build-test}
  [ -f "$build/CMakeCache.txt" ] || { "$root/scripts/setup.sh"; cmake -S "$root" -B "$build" -G Ninja -DVARNOPILE_WERROR=ON >/dev/null; }
  cmake --build "$build" --target varnopile-convert
  linux=$build/tools/varnopile-convert
fi
export VARNOPILE_LINUX_CONVERT=$linux
"$root/scripts/build-windows.sh"

cd "${VARNOPILE_WIN64_DIR:-$root/build-win64}"
ctest --output-on-failure --timeout 600 -R '^cli\.'
cd "${VARNOPILE_WIN32_DIR:-$root/build-win32}"
ctest --output-on-failure --timeout 600 -E '^cli\.' "$@"
