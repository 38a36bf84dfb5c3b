#!/usr/bin/env bash
# Renders the committed PNG icons from varnopile.svg; run after changing the drawing.
# Needs rsvg-convert (Debian: librsvg2-bin); the build itself needs neither it nor Qt SVG.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
command -v rsvg-convert >/dev/null || { echo "rsvg-convert is missing (apt-get install librsvg2-bin)" >&2; exit 1; }
for size in 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" "$here/varnopile.svg" -o "$here/icons/varnopile-$size.png"
done
