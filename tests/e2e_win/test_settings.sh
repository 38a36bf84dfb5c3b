#!/usr/bin/env bash
# Varnopile.exe's settings file under Wine: Alt+X writes it (exact bytes), the next start stands at
# the saved bounds, a window closed while minimised keeps the bounds it had, bounds off every monitor come back to the centre of the screen, and the font
# dialog opens from its tool button and leaves nothing changed when cancelled.
VARNOPILE_EXE=$1
. "$(dirname "$0")/lib.sh"
XVFB_SCREEN=1920x1080x24
start_xvfb
# The window's own Get finds no text: nothing on the clipboard.

# --- First run: the ten lines, at the designed place. ---
rm -f "$INI"
start_exe
close_exe "first run"
[ -f "$INI" ] || fail "no settings file after the first close"
[ "$(ini_value Top)" = 201 ] && [ "$(ini_value Left)" = 336 ] ||
  fail "designed place written as $(ini_value Left),$(ini_value Top)"
ini_bytes "$E2E_TMP/expected.ini" "$(ini_value Name)" "$(ini_value Size)" 201 336 "$(ini_value Height)" \
  "$(ini_value Width)"
cmp -s "$E2E_TMP/expected.ini" "$INI" || fail "first file's bytes: $(od -c "$INI" | head -20)"

# --- Saved bounds: the next start stands there, and writes the same bytes back. ---
ini_bytes "$INI" 'ＭＳ Ｐゴシック' 12 80 100 400 500
cp "$INI" "$E2E_TMP/seeded.ini"
start_exe
read -r x y w h < <(client_geometry "$WIN")
# The client lies inside the outer bounds, by the frame.
((x > 100 && x < 120 && y > 80 && y < 130 && x + w < 600 && y + h < 480)) ||
  fail "client at $x,$y ${w}x$h for outer bounds 100,80 500x400"
close_exe "saved bounds"
cmp -s "$E2E_TMP/seeded.ini" "$INI" || fail "saved bounds not kept: $(od -c "$INI" | head -20)"

# --- Closed while minimised: the bounds it has when restored, not the minimised position. ---
frame_left=$((x - 100)) frame_top=$((y - 80))
start_exe
xdotool windowmove --sync "$WIN" $((300 + frame_left)) $((200 + frame_top))
xdotool windowminimize --sync "$WIN"
python3 "$(dirname "$0")/wm_delete.py" "$WIN"
wait_exit "$VP_PID" 20 || fail "the minimised window did not close"
got="$(ini_value Left),$(ini_value Top) $(ini_value Width)x$(ini_value Height)"
[ "$got" = "300,200 500x400" ] || fail "closed while minimised, written as $got"

# --- Off every monitor: a 400 x 300 window goes to the centre of 1920 x 1080. ---
ini_bytes "$INI" 'ＭＳ Ｐゴシック' 12 5000 5000 300 400
start_exe
close_exe "off-screen"
got="$(ini_value Left),$(ini_value Top) $(ini_value Width)x$(ini_value Height)"
[ "$got" = "760,390 400x300" ] || fail "off-screen window placed at $got"

# --- The font dialog, from the tool button (no key); cancelled, it changes nothing. ---
cp "$INI" "$E2E_TMP/before-font.ini"
start_exe
# The font button follows the two buttons and the separator of the designed bar.
xdotool mousemove --window "$WIN" 160 13 click 1
wait_until 20 has_window_named '^Font$' || fail "no font dialog"
key Escape
wait_until 10 no_window_named '^Font$' || fail "the font dialog stayed open"
close_exe "after the font dialog"
cmp -s "$E2E_TMP/before-font.ini" "$INI" || fail "a cancelled font dialog changed the settings"
echo "PASS: settings written and read, off-screen bounds recovered, font dialog"
