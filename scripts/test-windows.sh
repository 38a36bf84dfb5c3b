#!/usr/bin/env bash
# Builds the Windows programs (scripts/build-windows.sh) and runs their tests under Wine, in both
# builds: the unit tests of util/ and core/, the window's in-process and end-to-end tests, and the
# converter against the Linux one, byte for byte. A kernel built without 32-bit support cannot run
# Wine's 32-bit loader: there the 32-bit build is built but not run, and says so; the 64-bit build
# of the same code runs every test.
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
VARNOPILE_WIN64_TARGETS=all "$root/scripts/build-windows.sh"

(cd "${VARNOPILE_WIN64_DIR:-$root/build-win64}" && ctest --output-on-failure --timeout 600 "$@")
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  cd "${VARNOPILE_WIN32_DIR:-$root/build-win32}"
  ctest --output-on-failure --timeout 600 "$@"
else
  echo "NOTE: this kernel runs no 32-bit programs (no IA-32 emulation): the 32-bit tests were not run;" \
    "the 64-bit build ran them all." >&2
fi
