#!/usr/bin/env bash
# The settings file across real runs: exact bytes after a close, bounds and font back at the next
# start, a read-only file refusing the close, and bounds off every monitor brought back to the centre.
# The bounds are the outer frame's, the window manager's frame included.
. "$(dirname "$0")/lib.sh"
XVFB_SCREEN=1920x1080x24
start_xvfb
INI=$XDG_CONFIG_HOME/Tormvale/Varnopile/Varnopile.ini
passed=0

key() { xdotool key --clearmodifiers "$@"; }

geometry_is() { [ "$(client_geometry "$1")" = "$2" ]; }
windows_are() { [ "$(windows_of "$VP_PID")" -eq "$1" ]; }

# ini_bytes FILE NAME SIZE TOP LEFT HEIGHT WIDTH: the file as the program writes it from nothing.
ini_bytes() {
  { printf '\xff\xfe'
    printf '[Font]\r\nName=%s\r\nSize=%s\r\n\r\n[Window]\r\nTop=%s\r\nLeft=%s\r\nHeight=%s\r\nWidth=%s\r\n\r\n' \
      "$2" "$3" "$4" "$5" "$6" "$7" | iconv -f UTF-8 -t UTF-16LE; } >"$1"
}

# ini_value KEY: the value of KEY in the settings file, decoded.
ini_value() { tail -c +3 "$INI" | iconv -f UTF-16LE -t UTF-8 | tr -d '\r' | sed -n "s/^$1=//p"; }

# run_until_window: starts the program and focuses its window; sets WIN.
run_until_window() {
  start_varnopile
  wait_until 20 has_window "$VP_PID" || fail "no window"
  WIN=$(window_of "$VP_PID")
  xdotool windowfocus --sync "$WIN"
}

close_ok() {
  xdotool windowfocus --sync "$WIN"
  key alt+x
  wait_exit "$VP_PID" 10 || fail "Alt+X did not end the program ($1)"
  [ "$EXIT_CODE" -eq 0 ] || fail "exit code $EXIT_CODE ($1)"
}

# --- First run: move and resize, close, and the ten lines on disk. ---
[ ! -e "$INI" ] || fail "settings file before the first run"
run_until_window
xdotool windowmove "$WIN" 123 145
xdotool windowsize "$WIN" 501 419
wait_until 10 geometry_is "$WIN" "123 145 501 419" || fail "window at $(client_geometry "$WIN") after move and resize"
read -r x y w h < <(outer_geometry "$WIN")
close_ok "first run"
[ -f "$INI" ] || fail "no settings file after the first close"
face=$(ini_value Name)
size=$(ini_value Size)
[ -n "$face" ] || fail "empty face name written"
[[ "$size" =~ ^[1-9][0-9]*$ ]] || fail "size written as '$size'"
ini_bytes "$E2E_TMP/expected.ini" "$face" "$size" "$y" "$x" "$h" "$w"
cmp "$E2E_TMP/expected.ini" "$INI" >&2 || fail "settings file bytes differ: $(od -c "$INI" | head -20)"
[ "$(stat -c %a "$INI")" = 600 ] || fail "settings file mode $(stat -c %a "$INI")"
[ "$(stat -c %a "$(dirname "$INI")")" = 700 ] || fail "data folder mode $(stat -c %a "$(dirname "$INI")")"
passed=$((passed + 1))

# --- The next start stands where the last one closed. ---
run_until_window
wait_until 10 outer_is "$WIN" "$x $y $w $h" || fail "restarted at $(outer_geometry "$WIN"), closed at $x $y $w $h"
close_ok "second run"
cmp -s "$E2E_TMP/expected.ini" "$INI" || fail "an unmoved window changed the settings file"
passed=$((passed + 1))

# --- A file written by hand with another font and bounds: applied, and written back unchanged. ---
fc-list : family | grep -qx 'Noto Sans CJK JP.*' || fail "font Noto Sans CJK JP is not installed"
ini_bytes "$E2E_TMP/hand.ini" 'Noto Sans CJK JP' 14 211 307 433 457
cp "$E2E_TMP/hand.ini" "$INI"
run_until_window
wait_until 10 outer_is "$WIN" "307 211 457 433" || fail "hand-set bounds gave $(outer_geometry "$WIN")"
close_ok "hand-written file"
cmp "$E2E_TMP/hand.ini" "$INI" >&2 ||
  fail "font or bounds not written back unchanged: Name=$(ini_value Name) Size=$(ini_value Size)"
passed=$((passed + 1))

# --- A read-only file: Alt+X shows an error box, the window stays, the file is untouched; once
# the file is writable again, the next close saves the window's new place. ---
chmod 444 "$INI"
cp "$INI" "$E2E_TMP/readonly.ini"
run_until_window
main=$WIN
read -r _ _ w h < <(client_geometry "$main")
xdotool windowmove "$main" 90 80
wait_until 10 geometry_is "$main" "90 80 $w $h" || fail "window at $(client_geometry "$main") after move"
read -r x y _ _ < <(outer_geometry "$main")
key alt+x
wait_until 10 windows_are 2 ||
  fail "no error box on closing with a read-only settings file"
kill -0 "$VP_PID" 2>/dev/null || fail "the program ended despite the failed save"
[ "$(window_of "$VP_PID")" ] || fail "main window gone"
cmp -s "$E2E_TMP/readonly.ini" "$INI" || fail "the read-only file changed"
[ "$(stat -c %a "$INI")" = 444 ] || fail "the read-only file's mode changed to $(stat -c %a "$INI")"
passed=$((passed + 1))

chmod 644 "$INI"
box=$(xdotool search --all --onlyvisible --pid "$VP_PID" --name '^Varnopile$' | grep -vx "$main" | head -1)
[ -n "$box" ] || fail "cannot tell the error box from the main window"
xdotool windowfocus --sync "$box"
key Return
wait_until 10 windows_are 1 ||
  fail "Return did not dismiss the error box"
xwininfo -id "$main" | grep -q 'Map State: IsViewable' || fail "main window closed after the failed save"
cmp -s "$E2E_TMP/readonly.ini" "$INI" || fail "dismissing the box wrote the file"
WIN=$main
close_ok "after the read-only file was made writable"
ini_bytes "$E2E_TMP/moved.ini" 'Noto Sans CJK JP' 14 "$y" "$x" 433 457
cmp "$E2E_TMP/moved.ini" "$INI" >&2 || fail "second close did not save: Top=$(ini_value Top) Left=$(ini_value Left)"
passed=$((passed + 1))

# --- Bounds on no monitor come back centred on the 1920x1080 screen, keeping their size (odd
# sizes: halves truncate toward zero); a size beyond the desktop shrinks to it first. ---
for size in "5000 401 381 401 381" "5000 100000 100000 1920 1080" "2147483248 400 400 400 400"; do
  read -r far sw sh w h <<<"$size"
  ini_bytes "$INI" 'Noto Sans CJK JP' 14 10 "$far" "$sh" "$sw"
  left=$(( (1920 - w) / 2 )) top=$(( (1080 - h) / 2 ))
  run_until_window
  wait_until 10 outer_is "$WIN" "$left $top $w $h" ||
    fail "bounds off every monitor ($sw x $sh at $far) gave $(outer_geometry "$WIN"), expected $left $top $w $h"
  close_ok "after centring"
  saved="$(ini_value Left) $(ini_value Top) $(ini_value Width) $(ini_value Height)"
  [ "$saved" = "$left $top $w $h" ] || fail "centred bounds not saved: $saved"
  passed=$((passed + 1))
done

echo "$passed passed, 0 failed"
