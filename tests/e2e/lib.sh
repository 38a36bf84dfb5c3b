# Shared by the end-to-end tests: their own X server with a window manager (openbox, as users have
# one; E2E_WM=none before start_xvfb for a bare server), a throw-away home, waits with deadlines.
# Source it; it sets E2E_TMP, HOME, XDG_* and DISPLAY, and cleans up on exit.
set -u

E2E_TMP=$(mktemp -d /tmp/varnopile-e2e.XXXXXX)
export HOME=$E2E_TMP/home XDG_CONFIG_HOME=$E2E_TMP/home/.config XDG_RUNTIME_DIR=$E2E_TMP/run
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
export LANG=C.UTF-8 LC_ALL=C.UTF-8
XVFB_PID=
E2E_PIDS=()

e2e_cleanup() {
  local p
  for p in "${E2E_PIDS[@]}"; do kill -9 "$p" 2>/dev/null; done
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
  rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  [ -s "$E2E_TMP/varnopile.out" ] && sed 's/^/  varnopile: /' "$E2E_TMP/varnopile.out" >&2
  exit 1
}

# wait_until DEADLINE_SECONDS COMMAND...: runs COMMAND until it succeeds, or fails after the deadline.
wait_until() {
  local limit=$1; shift
  local end=$(( $(date +%s%N) + limit * 1000000000 ))
  while ! "$@" >/dev/null 2>&1; do
    [ "$(date +%s%N)" -lt "$end" ] || return 1
    sleep 0.05
  done
}

start_xvfb() {
  # Xvfb picks a free display itself and tells us which: no race with other servers starting.
  # -noreset: otherwise the server resets when its last client leaves and refuses the next one.
  Xvfb -displayfd 3 -screen 0 "${XVFB_SCREEN:-1920x1080x24}" -nolisten tcp -noreset -dpi 96 \
    3>"$E2E_TMP/display" >"$E2E_TMP/xvfb.log" 2>&1 &
  XVFB_PID=$!
  wait_until 10 grep -q '[0-9]' "$E2E_TMP/display" || fail "Xvfb did not start: $(cat "$E2E_TMP/xvfb.log")"
  export DISPLAY=:$(tr -dc '0-9' <"$E2E_TMP/display")
  wait_until 10 xdpyinfo || fail "Xvfb on $DISPLAY does not answer"
  [ "${E2E_WM:-openbox}" = none ] || start_wm
}

wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }

# start_wm: openbox on $DISPLAY; returns once it manages the screen. It reparents every window into
# a frame of its own, so watch our client window (or _NET_FRAME_EXTENTS), never the root's children.
start_wm() {
  openbox --sm-disable >"$E2E_TMP/wm.log" 2>&1 &
  WM_PID=$!
  E2E_PIDS+=("$WM_PID")
  wait_until 10 wm_running || fail "openbox did not start: $(cat "$E2E_TMP/wm.log")"
}

# client_geometry WIN: "LEFT TOP WIDTH HEIGHT" of the window itself, as the X server has it.
client_geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /^ *Width:/ {w=$NF} /^ *Height:/ {h=$NF} END {print x, y, w, h}'
}

# outer_geometry WIN: the same with the window manager's frame (_NET_FRAME_EXTENTS; none without).
outer_geometry() {
  local x y w h l r t b
  read -r x y w h < <(client_geometry "$1")
  read -r l r t b < <(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ',')
  echo "$((x - ${l:-0})) $((y - ${t:-0})) $((w + ${l:-0} + ${r:-0})) $((h + ${t:-0} + ${b:-0}))"
}
outer_is() { [ "$(outer_geometry "$1")" = "$2" ]; }

# window_of PID: the id of a mapped top-level window titled Varnopile that belongs to PID.
window_of() {
  xdotool search --all --onlyvisible --pid "$1" --name '^Varnopile$' 2>/dev/null | head -1
}

has_window() { [ -n "$(window_of "$1")" ]; }

# start_varnopile: starts the program in the background; sets VP_PID.
start_varnopile() {
  "$VARNOPILE_BIN" >"$E2E_TMP/varnopile.out" 2>&1 &
  VP_PID=$!
  E2E_PIDS+=("$VP_PID")
}

# start_focused WHAT_IF_NOT: starts the program, waits for its window and gives it the keyboard;
# sets VP_PID and win, or fails with WHAT_IF_NOT.
start_focused() {
  start_varnopile
  wait_until 20 has_window "$VP_PID" || fail "$1"
  win=$(window_of "$VP_PID")
  xdotool windowfocus --sync "$win"
}

# wait_exit PID SECONDS: waits for the process to end and sets EXIT_CODE; fails after the deadline.
wait_exit() {
  local pid=$1 limit=$2
  wait_until "$limit" bash -c "! kill -0 $pid" || return 1
  wait "$pid"
  EXIT_CODE=$?
}

# clipboard_is FILE: the CLIPBOARD's text, read as UTF-8 by another client, is FILE byte for byte.
clipboard_is() {
  xclip -o -selection clipboard >"$E2E_TMP/clipboard.now" 2>/dev/null && cmp -s "$1" "$E2E_TMP/clipboard.now"
}

# windows_of PID: how many mapped top-level windows titled Varnopile PID has (the main window, boxes).
windows_of() {
  xdotool search --all --onlyvisible --pid "$1" --name '^Varnopile$' 2>/dev/null | wc -l
}
