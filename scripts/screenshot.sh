#!/usr/bin/env bash
# Makes docs/screenshot.png: the window on its own X server, a sample Japanese text on the clipboard.
# Builds Varnopile first when needed (in $VARNOPILE_BUILD_DIR, else build/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
build=${VARNOPILE_BUILD_DIR:-$root/build}
[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -G Ninja -DVARNOPILE_BENCH=OFF >/dev/null
cmake --build "$build" --target varnopile
out=${1:-$root/docs/screenshot.png}
mkdir -p "$(dirname "$out")"

# A throw-away home: the window opens at its default place and size, with the default font.
. "$root/tests/e2e/lib.sh"
set -e
start_xvfb
export VARNOPILE_BIN=$build/app/varnopile

sample='Varnopile ﾊﾟｿｺﾝでｶﾀｶﾅ変換　ひらがな ＡＢＣ'
# -quiet keeps xclip in the foreground, so the clean-up can end it.
printf '%s' "$sample" | xclip -selection clipboard -quiet 2>/dev/null &
E2E_PIDS+=("$!")
clipboard_holds_sample() { [ "$(xclip -selection clipboard -o 2>/dev/null)" = "$sample" ]; }
wait_until 10 clipboard_holds_sample || fail "the sample text did not reach the clipboard"

start_varnopile
wait_until 20 has_window "$VP_PID" || fail "no window titled Varnopile"
win=$(window_of "$VP_PID")

# Mapped is not yet painted: wait until two captures in a row show the same pixels.
capture() { import -window "$win" -depth 8 rgb:- | md5sum; }
steady() {
  local now
  now=$(capture)
  [ "$now" = "${last_capture:-}" ] && return 0
  last_capture=$now
  return 1
}
last_capture=
wait_until 20 steady || fail "the window never stopped changing"
import -window "$win" -strip "$out"

xdotool windowfocus --sync "$win" key --clearmodifiers alt+x
wait_exit "$VP_PID" 10 || fail "Varnopile did not close on Alt+X"
set +e # the clean-up on exit kills what may have ended already
echo "wrote $out ($(identify -format '%wx%h' "$out"))"
