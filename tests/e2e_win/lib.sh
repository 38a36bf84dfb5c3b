# Shared by the end-to-end tests of Varnopile.exe under Wine: the tests' own Xvfb with openbox (from
# ../e2e/lib.sh), a Wine prefix of their own, and the window found by its class. Source it after
# setting VARNOPILE_EXE (and VARNOPILE_WINEPREFIX, else one in the temp folder of the run).
. "$(dirname "${BASH_SOURCE[0]}")/../e2e/lib.sh"
export WINEPREFIX=${VARNOPILE_WINEPREFIX:-$E2E_TMP/wine}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# The loader for the program's architecture (cmake/wine-loader.sh).
WINE=$("$(dirname "${BASH_SOURCE[0]}")/../../cmake/wine-loader.sh" "$VARNOPILE_EXE")
INI=$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Tormvale/Varnopile/Varnopile.ini

# A wineserver of this prefix that outlived an earlier run would keep the display it started on.
wineserver -k >/dev/null 2>&1
wineserver -w >/dev/null 2>&1
win_cleanup() {
  wineserver -k >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1
  e2e_cleanup
}
trap win_cleanup EXIT

key() { xdotool key --clearmodifiers "$@"; }

# win_windows NAME: the mapped top-level windows of the program titled NAME (a regular expression).
win_windows() {
  local w
  for w in $(xdotool search --onlyvisible --classname '^varnopile\.exe$' 2>/dev/null); do
    xdotool getwindowname "$w" 2>/dev/null | grep -q -- "$1" && echo "$w"
  done
}
has_win_window() { [ -n "$(win_windows '^Varnopile$')" ]; }
no_window_named() { [ -z "$(win_windows "$1")" ]; }
has_window_named() { [ -n "$(win_windows "$1")" ]; }

# launch_exe [SHOW_STATE]: starts Varnopile.exe in the background; sets VP_PID. With a show state
# (SW_* value) it goes through the tests' launcher ($LAUNCH_EXE), as from a shortcut, which waits
# for it and passes on its exit code.
launch_exe() {
  if [ $# -gt 0 ]; then
    "$WINE" "$LAUNCH_EXE" "$1" "$("$WINE" winepath -w "$VARNOPILE_EXE" 2>/dev/null)"
  else
    "$WINE" "$VARNOPILE_EXE"
  fi >"$E2E_TMP/varnopile.out" 2>&1 &
  VP_PID=$!
  E2E_PIDS+=("$VP_PID")
}

# start_exe: starts Varnopile.exe, waits for its window and gives it the keyboard; sets VP_PID, WIN.
start_exe() {
  launch_exe "$@"
  # A fresh prefix is made on the first start: about 10 s.
  wait_until 60 has_win_window || fail "no window"
  WIN=$(win_windows '^Varnopile$' | head -1)
  xdotool windowactivate --sync "$WIN" >/dev/null 2>&1 || xdotool windowfocus --sync "$WIN"
}

close_exe() {
  xdotool windowactivate --sync "$WIN" >/dev/null 2>&1 || xdotool windowfocus --sync "$WIN"
  key alt+x
  wait_exit "$VP_PID" 20 || fail "Alt+X did not end the program ($1)"
  [ "$EXIT_CODE" -eq 0 ] || fail "exit code $EXIT_CODE ($1)"
}

# ini_bytes FILE NAME SIZE TOP LEFT HEIGHT WIDTH: the file as the program writes it from nothing.
ini_bytes() {
  mkdir -p "$(dirname "$1")"
  { printf '\xff\xfe'
    printf '[Font]\r\nName=%s\r\nSize=%s\r\n\r\n[Window]\r\nTop=%s\r\nLeft=%s\r\nHeight=%s\r\nWidth=%s\r\n\r\n' \
      "$2" "$3" "$4" "$5" "$6" "$7" | iconv -f UTF-8 -t UTF-16LE; } >"$1"
}

ini_value() { tail -c +3 "$INI" | iconv -f UTF-16LE -t UTF-8 | tr -d '\r' | sed -n "s/^$1=//p"; }
