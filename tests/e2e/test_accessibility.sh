#!/usr/bin/env bash
# The window as a screen reader reads it: roles, names, states, rows and their selection, the
# editor's text, the status bar's hint and the error box, all through AT-SPI on a private bus.
. "$(dirname "$0")/lib.sh"
start_xvfb  # and openbox
eval "$(dbus-launch --sh-syntax)"
E2E_PIDS+=("$DBUS_SESSION_BUS_PID")
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0

printf 'Mixed Text ﾊﾟｿｺﾝ' >"$E2E_TMP/clip.in"
xclip -selection clipboard -i "$E2E_TMP/clip.in"
for v in lower upper halfwidth fullwidth katakana hiragana; do
  "$VARNOPILE_BINARY_DIR/tools/varnopile-convert" --to "$v" "$E2E_TMP/clip.in"; echo
done >"$E2E_TMP/variants"
start_focused "no window titled Varnopile"

coproc WALK { /usr/bin/python3 "$(dirname "$0")/atspi_walk.py" "$E2E_TMP/variants" 2>&1; }
walker=$WALK_PID
E2E_PIDS+=("$walker")
step() { # step WHAT: waits for the walker's READY, then does WHAT
  local line
  while IFS= read -r -t 60 line <&"${WALK[0]}"; do
    echo "  $line"
    [ "$line" = READY ] && { "$@"; return; }
  done
  fail "the AT-SPI walk ended early"
}
step xdotool mousemove --window "$win" 230 13
step xdotool mousemove --window "$win" 200 300
step xdotool key --clearmodifiers F1
while IFS= read -r -t 60 line <&"${WALK[0]}"; do echo "  $line"; done
wait "$walker" || fail "the AT-SPI walk failed"
xdotool key --clearmodifiers Return
echo "1 passed, 0 failed"
