#!/usr/bin/env bash
# Installs what is missing, builds Varnopile and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
build=${VARNOPILE_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -G Ninja -DVARNOPILE_BENCH=OFF >/dev/null
cmake --build "$build" --target varnopile varnopile-convert
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Varnopile is built ($build/app/varnopile) but there is no display to show its window on:" >&2
  echo "set DISPLAY or WAYLAND_DISPLAY, or run it in a desktop session." >&2
  exit 1
fi
exec "$build/app/varnopile"
