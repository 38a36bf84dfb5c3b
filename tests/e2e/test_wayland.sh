#!/usr/bin/env bash
# Wayland sessions: weston's X11 back end in the test's own Xvfb, wl-copy and wl-paste the other
# program. Alone, the program runs on Wayland; with XWayland, on it. Either way it opens with the
# clipboard's variants, Get takes a new copy, Apply reaches wl-paste, Alt+X saves.
. "$(dirname "$0")/lib.sh"
E2E_WM=none  # weston manages the windows
# Qt's Wayland plugin keeps its data sources and offers (and the QMimeData behind them) to the end
# of the process; the leak check of our own code runs in every X11 test of the instrumented build.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
start_xvfb
OUTER=$DISPLAY
INI=$XDG_CONFIG_HOME/Tormvale/Varnopile/Varnopile.ini
unset QT_QPA_PLATFORM
export WAYLAND_DISPLAY=wayland-vp

start_weston() {
  weston --backend=x11-backend.so --socket="$WAYLAND_DISPLAY" --width=1024 --height=768 "$@" >"$E2E_TMP/weston.log" 2>&1 &
  WESTON_PID=$!
  E2E_PIDS+=("$WESTON_PID")
  # Its name is UTF-8 only, which xdotool's name search misses; its class it finds.
  wait_until 20 xdotool search --class '^Weston Compositor$' || fail "no weston: $(tail -3 "$E2E_TMP/weston.log")"
  xdotool windowfocus --sync "$(xdotool search --class '^Weston Compositor$' | head -1)"
}
stop_weston() {
  kill "$WESTON_PID"
  wait_until 10 bash -c "! kill -0 $WESTON_PID" || fail "weston did not end"
  rm -f "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY"*
}
key() { DISPLAY=$OUTER xdotool key --clearmodifiers "$@"; }  # weston passes them to its focused client

enters() { grep -c 'wl_keyboard@[0-9]*\.enter' "$E2E_TMP/varnopile.out"; }
# focused AFTER: our window has the keyboard (on Wayland for more than the AFTER-th time).
focused() {
  if [ "$MODE" = wayland ]; then [ "$(enters)" -gt "$1" ]; else
    local w; w=$(DISPLAY=$XW xdotool search --all --onlyvisible --pid "$VP_PID" --name '^Varnopile$' | head -1)
    [ -n "$w" ] && [ "$(DISPLAY=$XW xdotool getwindowfocus)" = "$w" ]
  fi
}
# client CMD...: on weston wl-copy and wl-paste hold the keyboard for a moment, since data goes
# only to a focused client; returns once it is ours again.
client() {
  local before=0 rc
  [ "$MODE" = wayland ] && before=$(enters)
  "$@"
  rc=$?
  wait_until 20 focused "$before" || fail "the keyboard did not come back after $1"
  return $rc
}
pasted_is() { PASTED=$(client timeout 5 wl-paste -n); [ "$PASTED" = "$1" ]; }

# round START: the checks above on a window that START opens.
round() {
  rm -f "$INI"
  printf 'Hello WORLD' | timeout 10 wl-copy || fail "wl-copy failed"
  "$1"
  wait_until 20 focused 0 || fail "the window never got the keyboard"
  key alt+a
  wait_until 10 pasted_is 'hello world' || fail "opened without the clipboard's variants: wl-paste gives '$PASTED'"
  printf 'Second TEXT' | client timeout 10 wl-copy || fail "wl-copy failed"
  key alt+g alt+a
  wait_until 10 pasted_is 'second text' || fail "Get after wl-copy: wl-paste gives '$PASTED'"
  key alt+x
  wait_exit "$VP_PID" 10 && [ "$EXIT_CODE" -eq 0 ] || fail "Alt+X did not end the program cleanly"
  [ -s "$INI" ] || fail "the close saved nothing"
}

MODE=wayland
start_weston
start_wayland() {
  env -u DISPLAY WAYLAND_DEBUG=client "$VARNOPILE_BIN" >"$E2E_TMP/varnopile.out" 2>&1 &
  VP_PID=$!
  E2E_PIDS+=("$VP_PID")
}
round start_wayland
# The size is all a Wayland client sets: a restart keeps it, and the place it was given.
cp "$INI" "$E2E_TMP/wayland.ini"
start_wayland
wait_until 20 focused 0 || fail "no keyboard on the second start"
key alt+x
wait_exit "$VP_PID" 10 || fail "Alt+X did not end the second run"
cmp -s "$E2E_TMP/wayland.ini" "$INI" || fail "a restart on Wayland changed the settings file"
stop_weston

MODE=x
start_weston --xwayland
wait_until 20 grep -q 'xserver listening on display' "$E2E_TMP/weston.log" || fail "weston offers no XWayland"
XW=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$E2E_TMP/weston.log" | head -1)
start_x() { DISPLAY=$XW start_varnopile; }
round start_x
stop_weston
echo "3 passed, 0 failed"
