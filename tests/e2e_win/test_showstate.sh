#!/usr/bin/env bash
# Varnopile.exe started as a shortcut set to run maximised or minimised (show states
# SW_SHOWMAXIMIZED and SW_SHOWMINNOACTIVE in its start-up information): the window comes up that
# way, and closed while maximised it writes the maximised bounds.
VARNOPILE_EXE=$1 LAUNCH_EXE=$2
. "$(dirname "$0")/lib.sh"
start_xvfb

net_state() { xprop -id "$1" _NET_WM_STATE 2>/dev/null; }
maximised() { net_state "$1" | grep -q MAXIMIZED_VERT && net_state "$1" | grep -q MAXIMIZED_HORZ; }
# The program's window titled Varnopile that the window manager holds as an icon.
iconic_window() {
  local w
  for w in $(xdotool search --classname '^varnopile\.exe$' 2>/dev/null); do
    xdotool getwindowname "$w" 2>/dev/null | grep -q '^Varnopile$' &&
      xprop -id "$w" WM_STATE 2>/dev/null | grep -q 'window state: Iconic' && echo "$w"
  done
}
has_iconic_window() { [ -n "$(iconic_window)" ]; }
close_by_wm() {
  python3 "$(dirname "$0")/wm_delete.py" "$WIN"
  wait_exit "$VP_PID" 20 || fail "the $1 window did not close"
  [ "$EXIT_CODE" -eq 0 ] || fail "exit code $EXIT_CODE after a $1 start"
}
bounds() { echo "$(ini_value Left),$(ini_value Top) $(ini_value Width)x$(ini_value Height)"; }

# --- Maximised: it covers the screen, and closing it writes what it covers. ---
ini_bytes "$INI" 'ＭＳ Ｐゴシック' 12 80 100 400 500
start_exe 3
wait_until 10 maximised "$WIN" || fail "started maximised, the window's state is: $(net_state "$WIN")"
read -r x y w h < <(client_geometry "$WIN")
# Closed by the window manager's close button, which takes no keyboard focus.
close_by_wm "maximised"
read -r left top width height < <(bounds | tr ',x' '  ')
((left <= x && top <= y && left + width >= x + w && top + height >= y + h && w > 1000 && h > 600)) ||
  fail "maximised client at $x,$y ${w}x$h, written as $(bounds)"

# --- Minimised: an icon from the start, closed from there with exit code 0. ---
launch_exe 7
wait_until 60 has_iconic_window || fail "started minimised, no minimised window"
WIN=$(iconic_window | head -1)
close_by_wm "minimised"
echo "PASS: maximised and minimised starts"
