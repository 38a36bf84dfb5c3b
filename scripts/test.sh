#!/usr/bin/env bash
# Installs what is missing, builds everything with warnings as errors, and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
build=${VARNOPILE_BUILD_DIR:-$root/build-test}
cmake -S "$root" -B "$build" -G Ninja -DVARNOPILE_WERROR=ON ${VARNOPILE_CMAKE_ARGS:-} >/dev/null
cmake --build "$build"
cd "$build"
ctest --output-on-failure --timeout 600 "$@"
