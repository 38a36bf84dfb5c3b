#!/usr/bin/env bash
# The outer bounds across real restarts under a window manager: the designed place, a stored
# window, a drag, a maximised close. Each start opens where the last closed, and a close of an
# untouched window saves the same bytes again: nothing creeps. Then the same on a bare server.
. "$(dirname "$0")/lib.sh"
start_xvfb
INI=$XDG_CONFIG_HOME/Tormvale/Varnopile/Varnopile.ini
passed=0

window_up() {
  start_varnopile
  wait_until 20 has_window "$VP_PID" || fail "no window ($1)"
  WIN=$(window_of "$VP_PID")
}

close_ok() {
  xdotool windowfocus --sync "$WIN"
  xdotool key --clearmodifiers alt+x
  wait_exit "$VP_PID" 10 || fail "Alt+X did not end the program ($1)"
  [ "$EXIT_CODE" -eq 0 ] || fail "exit code $EXIT_CODE ($1)"
}

# saved_outer: "LEFT TOP WIDTH HEIGHT" as the settings file holds them.
saved_outer() {
  tail -c +3 "$INI" | iconv -f UTF-16LE -t UTF-8 | tr -d '\r' |
    awk -F= '$1=="Top" {t=$2} $1=="Left" {l=$2} $1=="Height" {h=$2} $1=="Width" {w=$2} END {print l, t, w, h}'
}

# restarts N OUTER WHAT: N runs, each opening at OUTER and saving the very same bytes when closed.
restarts() {
  local i
  cp "$INI" "$E2E_TMP/before.ini"
  for ((i = 1; i <= $1; i++)); do
    window_up "$3, restart $i"
    wait_until 10 outer_is "$WIN" "$2" || fail "$3, restart $i: opened at $(outer_geometry "$WIN"), expected $2"
    close_ok "$3, restart $i"
    cmp -s "$E2E_TMP/before.ini" "$INI" || fail "$3, restart $i: saved $(saved_outer), expected $2"
  done
  passed=$((passed + 1))
}

# closed_at OUTER WHAT: the window closes and the file holds OUTER.
closed_at() {
  close_ok "$2"
  [ "$(saved_outer)" = "$1" ] || fail "$2: saved $(saved_outer), expected $1"
  passed=$((passed + 1))
}

# --- No settings file: the outer frame at the designed 336, 201 around the designed client. ---
window_up "first run"
read -r l r t b < <(xprop -id "$WIN" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ',')
[ "${t:-0}" -gt 0 ] || fail "openbox drew no title bar: frame '$l $r $t $b'"
designed="336 201 $((388 + l + r)) $((368 + t + b))"
wait_until 10 outer_is "$WIN" "$designed" || fail "first run at $(outer_geometry "$WIN"), expected $designed"
closed_at "$designed" "first run"
restarts 5 "$designed" "designed place"

# --- Bounds written by hand. ---
{ printf '\xff\xfe'; tail -c +3 "$INI" | iconv -f UTF-16LE -t UTF-8 |
    sed 's/^Top=.*/Top=150\r/; s/^Left=.*/Left=250\r/; s/^Height=.*/Height=450\r/; s/^Width=.*/Width=520\r/' |
    iconv -f UTF-8 -t UTF-16LE; } >"$E2E_TMP/hand.ini"
cp "$E2E_TMP/hand.ini" "$INI"
restarts 5 "250 150 520 450" "stored window"

# --- The first drag on the title bar after a start sticks, and is what the close saves. ---
window_up "drag"
wait_until 10 outer_is "$WIN" "250 150 520 450" || fail "drag: opened at $(outer_geometry "$WIN")"
# The pauses pace the hand, not a wait for anything: openbox starts a move only once it has
# handled the press, and a loaded machine may take a while. No retry: a drag that snapped back
# and was tried again would pass.
y=$((150 + t / 2))
xdotool mousemove --sync 400 $y mousedown 1 sleep 0.5 mousemove --sync 410 $((y + 5)) sleep 0.3 \
  mousemove --sync 430 $((y + 20)) sleep 0.3 mousemove --sync 460 $((y + 40)) sleep 0.3 mouseup 1
wait_until 10 outer_is "$WIN" "310 190 520 450" || fail "the drag left the window at $(outer_geometry "$WIN")"
closed_at "310 190 520 450" "after the first drag"
restarts 2 "310 190 520 450" "dragged window"

# --- A close while maximised keeps the maximised outer bounds; the next start opens in the
# normal state on them, its title bar on the screen. ---
window_up "maximise"
wait_until 10 outer_is "$WIN" "310 190 520 450" || fail "maximise: opened at $(outer_geometry "$WIN")"
xdotool mousemove --sync 400 $((190 + t / 2)) click --repeat 2 --delay 80 1
wait_until 10 outer_is "$WIN" "0 0 1920 1080" || fail "a double click on the title bar gave $(outer_geometry "$WIN")"
closed_at "0 0 1920 1080" "maximised close"
restarts 3 "0 0 1920 1080" "after a maximised close"
xprop -id "$WIN" _NET_WM_STATE 2>/dev/null | grep -q MAXIMIZED && fail "reopened maximised"

# --- The data folder removed while the program runs: the close makes it again and saves. ---
window_up "folder removed"
rm -rf "$XDG_CONFIG_HOME/Tormvale"
closed_at "0 0 1920 1080" "close after the data folder was removed"

# --- The font dialog lies centred across the screen and a third of the way down by its outer
# frame, which it knows before it shows. ---
# other_managed_window: a window of ours other than the main one that openbox has framed.
other_managed_window() {
  local w
  for w in $(xdotool search --all --onlyvisible --pid "$VP_PID"); do
    [ "$w" != "$WIN" ] && xprop -id "$w" _NET_FRAME_EXTENTS | grep -q = && { echo "$w"; return 0; }
  done
  return 1
}
dialog_placed() {
  local dx dy dw dh
  read -r dx dy dw dh < <(outer_geometry "$(other_managed_window)")
  [ "$dx $dy" = "$(((1920 - dw) / 2)) $(((1080 - dh) / 3))" ]
}
window_up "font dialog"
read -r x y _ _ < <(client_geometry "$WIN")
xdotool mousemove --sync $((x + 160)) $((y + 13)) click 1
wait_until 10 other_managed_window || fail "no font dialog"
wait_until 10 dialog_placed || fail "font dialog at $(outer_geometry "$(other_managed_window)")"
xdotool key --clearmodifiers Escape
no_dialog() { ! other_managed_window; }
wait_until 10 no_dialog || fail "Escape did not close the font dialog"
close_ok "after the font dialog"
passed=$((passed + 1))

# --- No window manager: no frame, so outer and client bounds are one. ---
kill "$WM_PID"
wait_until 10 bash -c "! kill -0 $WM_PID" || fail "openbox did not end"
rm -f "$INI"
window_up "bare server"
wait_until 10 outer_is "$WIN" "336 201 388 368" || fail "bare server: opened at $(outer_geometry "$WIN")"
closed_at "336 201 388 368" "bare server"
restarts 2 "336 201 388 368" "bare server"

echo "$passed passed, 0 failed"
