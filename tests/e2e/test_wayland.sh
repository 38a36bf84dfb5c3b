#!/usr/bin/env bash
# Wayland sessions: weston's X11 back end in the test's own Xvfb gives a compositor with a seat, and
# wl-copy/wl-paste are the other program. Without XWayland the program runs on Wayland; with it, on
# XWayland. Either way it opens with the clipboard's variants, Get takes what another program
# copied, Apply reaches wl-paste, and the close saves.
. "$(dirname "$0")/lib.sh"
E2E_WM=none  # weston manages the windows here
start_xvfb
OUTER=$DISPLAY
INI=$XDG_CONFIG_HOME/Tormvale/Varnopile/Varnopile.ini
unset QT_QPA_PLATFORM
passed=0

# start_weston [ARGS]: weston in a window of the test's Xvfb, that window given the keyboard.
start_weston() {
  weston --backend=x11-backend.so --socket=wayland-vp --width=1024 --height=768 "$@" >"$E2E_TMP/weston.log" 2>&1 &
  WESTON_PID=$!
  E2E_PIDS+=("$WESTON_PID")
  wait_until 20 test -S "$XDG_RUNTIME_DIR/wayland-vp" || fail "weston did not start: $(tail -3 "$E2E_TMP/weston.log")"
  # Its name is UTF-8 only, which xdotool's name search misses; its class it finds.
  wait_until 20 xdotool search --class '^Weston Compositor$' || fail "no weston window"
  xdotool windowfocus --sync "$(xdotool search --class '^Weston Compositor$' | head -1)"
  export WAYLAND_DISPLAY=wayland-vp
}

stop_weston() {
  kill "$WESTON_PID"
  wait_until 10 bash -c "! kill -0 $WESTON_PID" || fail "weston did not end"
  rm -f "$XDG_RUNTIME_DIR"/wayland-vp*
}

# Keys reach weston through its window on the Xvfb, and weston gives them to the focused client.
key() { DISPLAY=$OUTER xdotool key --clearmodifiers "$@"; }

enters() { grep -c 'wl_keyboard@[0-9]*\.enter' "$E2E_TMP/varnopile.out"; }
x_window() { DISPLAY=$XWAYLAND xdotool search --all --onlyvisible --pid "$VP_PID" --name '^Varnopile$' | head -1; }
x_focused() { local w; w=$(x_window); [ -n "$w" ] && [ "$(DISPLAY=$XWAYLAND xdotool getwindowfocus)" = "$w" ]; }
# focused AFTER: the window has the keyboard (on Wayland: more than AFTER times so far).
focused() {
  if [ "$MODE" = wayland ]; then [ "$(enters)" -gt "$1" ]; else x_focused; fi
}

# client CMD...: runs another client and waits until the keyboard is ours again. On weston,
# wl-copy and wl-paste take the keyboard for a moment: the data is given only to a focused client.
client() {
  local before
  before=$( [ "$MODE" = wayland ] && enters || echo 0)
  "$@"
  local rc=$?
  wait_until 20 focused "$before" || fail "the keyboard did not come back after $1"
  return $rc
}
copy() { printf '%s' "$1" | client timeout 10 wl-copy || fail "wl-copy could not take the clipboard"; }
pasted_is() { PASTED=$(client timeout 5 wl-paste -n 2>/dev/null); [ "$PASTED" = "$1" ]; }

# round: the window opens with the variants of the clipboard's text, Get takes a new copy, Apply
# reaches wl-paste, Alt+X saves.
round() {
  printf 'Hello WORLD' | timeout 10 wl-copy || fail "wl-copy could not take the clipboard"
  "$@"
  wait_until 20 focused 0 || fail "the window never got the keyboard"
  key alt+a
  wait_until 10 pasted_is 'hello world' || fail "opened without the clipboard's variants: wl-paste gives '$PASTED'"
  copy 'Second TEXT'
  key alt+g alt+a
  wait_until 10 pasted_is 'second text' || fail "Get after wl-copy: wl-paste gives '$PASTED'"
  key alt+x
  wait_exit "$VP_PID" 10 || fail "Alt+X did not end the program"
  [ "$EXIT_CODE" -eq 0 ] || fail "exit code $EXIT_CODE"
  tail -c +3 "$INI" | iconv -f UTF-16LE -t UTF-8 | grep -q '^Width=[1-9]' || fail "the close saved no bounds"
  passed=$((passed + 1))
}

start_wayland() {
  env -u DISPLAY WAYLAND_DEBUG=client "$VARNOPILE_BIN" >"$E2E_TMP/varnopile.out" 2>&1 &
  VP_PID=$!
  E2E_PIDS+=("$VP_PID")
}

# --- Wayland alone: the start-up Get waits for the keyboard. ---
MODE=wayland
start_weston
round start_wayland
# The size is all a Wayland client sets: a start and a close keep it.
cp "$INI" "$E2E_TMP/wayland.ini"
start_wayland
wait_until 20 focused 0 || fail "no keyboard on the second start"
key alt+x
wait_exit "$VP_PID" 10 || fail "Alt+X did not end the second run"
cmp -s "$E2E_TMP/wayland.ini" "$INI" ||
  fail "a restart on Wayland changed the bounds: $(tail -c +3 "$E2E_TMP/wayland.ini" | iconv -f UTF-16LE -t UTF-8 | tr -d "\r" | tr "\n" " ") became $(tail -c +3 "$INI" | iconv -f UTF-16LE -t UTF-8 | tr -d "\r" | tr "\n" " ")"
passed=$((passed + 1))
stop_weston

# --- With XWayland: the program runs there by default (its window is an X window). ---
MODE=x
start_weston --xwayland
wait_until 20 grep -q 'xserver listening on display' "$E2E_TMP/weston.log" || fail "weston offers no XWayland"
XWAYLAND=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$E2E_TMP/weston.log" | head -1)
start_xwayland() { DISPLAY=$XWAYLAND start_varnopile; }
round start_xwayland
stop_weston

echo "$passed passed, 0 failed"
