#!/usr/bin/env bash
# Builds the Windows programs (scripts/build-windows.sh) and runs their tests under Wine: the unit
# tests of util/ and core/, the window's in-process and end-to-end tests in the 32-bit build (the
# program as shipped), and in the 64-bit build the converter against the Linux one, byte for byte,
# with the unit tests of the conversions and the stream it runs. A kernel built without 32-bit
# support cannot run Wine's 32-bit loader: there the 64-bit build, the same sources, runs them all.
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
win64=${VARNOPILE_WIN64_DIR:-$root/build-win64}
win32=${VARNOPILE_WIN32_DIR:-$root/build-win32}
# The programs and the zip first: that installs Wine, and only then can its 32-bit loader be tried.
VARNOPILE_WIN64_TARGETS="unit_test_conversionset unit_test_streamconverter" VARNOPILE_WIN32_TARGETS=Varnopile \
  "$root/scripts/build-windows.sh"
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  (cd "$win64" && ctest --output-on-failure --timeout 600 -R '^(cli\.|unit\.test_(conversionset|streamconverter)$)')
  cmake --build "$win32"
  cd "$win32"
else
  echo "NOTE: this kernel runs no 32-bit programs (no IA-32 emulation): every Windows test runs in the" \
    "64-bit build instead." >&2
  cmake --build "$win64"
  cd "$win64"
fi
ctest --output-on-failure --timeout 600 "$@"
