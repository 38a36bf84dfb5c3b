#!/usr/bin/env bash
# Outer bounds across real restarts under openbox, then on a bare server: each start opens where
# the last closed, and closing an untouched window saves the same bytes again (nothing creeps).
. "$(dirname "$0")/lib.sh"
start_xvfb
INI=$XDG_CONFIG_HOME/Tormvale/Varnopile/Varnopile.ini
saved() {
  tail -c +3 "$INI" | iconv -f UTF-16LE -t UTF-8 | tr -d '\r' |
    awk -F= '$1=="Top" {t=$2} $1=="Left" {l=$2} $1=="Height" {h=$2} $1=="Width" {w=$2} END {print l, t, w, h}'
}

# run OPENS_AT SAVES [ACTION...]: a start that opens at OPENS_AT; ACTION; Alt+X saves SAVES.
run() {
  local at=$1 saves=$2
  shift 2
  start_focused "no window"
  wait_until 10 outer_is "$win" "$at" || fail "opened at $(outer_geometry "$win"), expected $at"
  "$@"
  xdotool windowfocus --sync "$win" key --clearmodifiers alt+x
  wait_exit "$VP_PID" 10 && [ "$EXIT_CODE" -eq 0 ] || fail "Alt+X did not end the program cleanly"
  [ "$(saved)" = "$saves" ] || fail "saved $(saved), expected $saves (opened at $at; $*)"
}
# restarts N AT: N untouched runs at AT, none after the first changing a byte of the file.
restarts() {
  run "$2" "$2"
  cp "$INI" "$E2E_TMP/before.ini"
  for ((i = 2; i <= $1; i++)); do
    run "$2" "$2"
    cmp -s "$E2E_TMP/before.ini" "$INI" || fail "restart $i at $2 changed the file"
  done
}

# No file: the frame's corner at the designed 336, 201 around the designed 388 x 368 client.
start_focused "no window"
read -r l r t b < <(xprop -id "$win" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ',')
[ "${t:-0}" -gt 0 ] || fail "openbox drew no title bar"
kill "$VP_PID"
wait "$VP_PID"
designed="336 201 $((388 + l + r)) $((368 + t + b))"
restarts 5 "$designed"

# Bounds written by hand.
{ printf '\xff\xfe'; tail -c +3 "$INI" | iconv -f UTF-16LE -t UTF-8 | sed 's/^Top=.*/Top=150\r/;
    s/^Left=.*/Left=250\r/; s/^Height=.*/Height=450\r/; s/^Width=.*/Width=520\r/' | iconv -f UTF-8 -t UTF-16LE; } >"$E2E_TMP/hand"
mv "$E2E_TMP/hand" "$INI"
restarts 5 "250 150 520 450"

# The first drag on the title bar sticks. The pauses pace the hand for a loaded machine; no
# retry, since a drag that snapped back and was tried again would pass.
drag() {
  local y=$((150 + t / 2))
  xdotool mousemove --sync 400 $y mousedown 1 sleep 0.5 mousemove --sync 410 $((y + 5)) sleep 0.3 \
    mousemove --sync 430 $((y + 20)) sleep 0.3 mousemove --sync 460 $((y + 40)) sleep 0.3 mouseup 1
  wait_until 10 outer_is "$win" "310 190 520 450" || fail "the first drag left the window at $(outer_geometry "$win")"
}
run "250 150 520 450" "310 190 520 450" drag
restarts 2 "310 190 520 450"

# A close while maximised keeps the maximised bounds, reopened as a normal window, title bar on
# the screen.
maximise() {
  xdotool mousemove --sync 400 $((190 + t / 2)) click --repeat 2 --delay 80 1
  wait_until 10 outer_is "$win" "0 0 1920 1080" || fail "a double click on the title bar gave $(outer_geometry "$win")"
}
run "310 190 520 450" "0 0 1920 1080" maximise
restarts 3 "0 0 1920 1080"

# The data folder removed while the program runs: the close makes it again.
run "0 0 1920 1080" "0 0 1920 1080" rm -rf "$XDG_CONFIG_HOME/Tormvale"

# The font dialog: centred across the screen, a third of the way down, by its outer frame.
dialog() {
  for w in $(xdotool search --all --onlyvisible --pid "$VP_PID"); do
    [ "$w" != "$win" ] && xprop -id "$w" _NET_FRAME_EXTENTS | grep -q = && echo "$w" && return 0
  done
  return 1
}
dialog_placed() { read -r x y w h < <(outer_geometry "$(dialog)") && [ "$x $y" = "$(((1920 - w) / 2)) $(((1080 - h) / 3))" ]; }
no_dialog() { ! dialog; }
font_dialog() {
  read -r x y _ _ < <(client_geometry "$win")
  xdotool mousemove --sync $((x + 160)) $((y + 13)) click 1
  wait_until 10 dialog_placed || fail "font dialog at $(outer_geometry "$(dialog)")"
  xdotool key --clearmodifiers Escape
  wait_until 10 no_dialog || fail "Escape did not close the font dialog"
}
run "0 0 1920 1080" "0 0 1920 1080" font_dialog

# No window manager: no frame, so the outer bounds are the window's own.
kill "$WM_PID"
wait_until 10 bash -c "! kill -0 $WM_PID" || fail "openbox did not end"
rm -f "$INI"
restarts 3 "336 201 388 368"
echo "8 passed, 0 failed"
