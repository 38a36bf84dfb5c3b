#!/usr/bin/env bash
# The clipboard through the real program: text in from another client, a variant picked with the
# mouse or the keyboard, the text back out as another client reads it.
. "$(dirname "$0")/lib.sh"
start_xvfb
CONVERT=$VARNOPILE_BINARY_DIR/tools/varnopile-convert
passed=0

# Window-relative centres of list rows at the designed size: tool bar 27, frame top 14, 1-px list
# frame, 22-px rows; the label list spans x 2..152, the result list lies right of it.
LABEL_X=70
RESULT_X=260
APPLY_X=95
row_y() { echo $((27 + 14 + 1 + 22 * $1 + 11)); }

# expect NAME VARIANT: writes the variant of $E2E_TMP/NAME.in to $E2E_TMP/NAME.VARIANT.
expect() {
  "$CONVERT" --to "$2" "$E2E_TMP/$1.in" >"$E2E_TMP/$1.$2" || fail "varnopile-convert --to $2 failed"
}

# offer FILE [TARGET]: another client owns the clipboard with FILE's bytes under one target only.
offer() {
  xclip -selection clipboard ${2:+-t "$2"} -i "$1" || fail "xclip could not take the clipboard"
  wait_until 10 bash -c "xclip -o -selection clipboard -t '${2:-UTF8_STRING}' | cmp -s - '$1'" ||
    fail "the clipboard does not hold $1"
}

key() { xdotool key --clearmodifiers "$@"; }

# await_or_count FILE WHAT: as await_clipboard, but a miss is counted and the test goes on.
failed=()
await_or_count() {
  if wait_until 10 clipboard_is "$1"; then passed=$((passed + 1))
  else failed+=("$2: clipboard holds '$(cat "$E2E_TMP/clipboard.now" 2>/dev/null)', expected '$(cat "$1")'"); fi
}

# await_clipboard FILE WHAT: the clipboard reaches FILE's bytes within the deadline.
await_clipboard() {
  wait_until 10 clipboard_is "$1" ||
    fail "$2: clipboard holds '$(cat "$E2E_TMP/clipboard.now" 2>/dev/null)', expected '$(cat "$1")'"
  passed=$((passed + 1))
}

# colours_in WIN GEOMETRY: the number of distinct colours in that part of the window.
colours_in() {
  import -window "$1" png:- | convert - -crop "$2" +repage -format '%k' info:
}
LABEL_AREA=146x160+4+43
RESULT_AREA=228x130+156+43

# --- Started on a Japanese text: pick, apply, edit, refresh. ---
printf '%s' 'ﾊﾟｿｺﾝでｶﾀｶﾅ ＡＢＣ abc ひらがな' >"$E2E_TMP/jp.in"
for v in halfwidth fullwidth; do expect jp "$v"; done
cmp -s "$E2E_TMP/jp.in" "$E2E_TMP/jp.halfwidth" && fail "the sample text is already half width"
offer "$E2E_TMP/jp.in"

start_focused "no window"
[ "$(colours_in "$win" "$LABEL_AREA")" -gt 1 ] || fail "label list drawn empty with text on the clipboard"
[ "$(colours_in "$win" "$RESULT_AREA")" -gt 1 ] || fail "result list drawn empty with text on the clipboard"

# A click on "全角→半角" moves both lists to row 2; Apply puts the half-width variant.
xdotool mousemove --window "$win" "$LABEL_X" "$(row_y 2)" click 1
key alt+a
await_clipboard "$E2E_TMP/jp.halfwidth" "label row 2, Alt+A"

# A double click on a result row applies that row.
xdotool mousemove --window "$win" "$RESULT_X" "$(row_y 3)" click --repeat 2 --delay 80 1
await_clipboard "$E2E_TMP/jp.fullwidth" "double click on result row 3"

# Enter in the result list applies the editor's text as edited, not the row's variant.
xdotool mousemove --window "$win" 200 300 click 1
key ctrl+End
xdotool type --delay 0 ' XYZ'
key shift+Tab shift+Tab
key Return
{ cat "$E2E_TMP/jp.fullwidth"; printf ' XYZ'; } >"$E2E_TMP/jp.edited"
await_clipboard "$E2E_TMP/jp.edited" "Enter in the result list after an edit"

# Another client's text offered only as UTF8_STRING: Get refreshes, row 0 is its lower case and
# row 1 its upper case.
printf '%s' '  Grüße ＡＢＣ Mixed Case ｶﾅ  ' >"$E2E_TMP/utf8.in"
for v in lower upper; do expect utf8 "$v"; done
offer "$E2E_TMP/utf8.in" UTF8_STRING
key alt+g alt+a
await_clipboard "$E2E_TMP/utf8.lower" "Get then Apply of a UTF8_STRING-only text"
xdotool mousemove --window "$win" "$LABEL_X" "$(row_y 1)" click 1
key alt+a
await_clipboard "$E2E_TMP/utf8.upper" "Get then label row 1 of a UTF8_STRING-only text"

# Offered only as STRING, which is Latin-1: é must arrive as é, not as a broken UTF-8 sequence.
printf 'Caf\xe9 AU LAIT, Cr\xe8me' >"$E2E_TMP/latin1.raw"
iconv -f LATIN1 -t UTF-8 "$E2E_TMP/latin1.raw" >"$E2E_TMP/latin1.in"
expect latin1 lower
offer "$E2E_TMP/latin1.raw" STRING
key alt+g alt+a
await_clipboard "$E2E_TMP/latin1.lower" "Get then Apply of a STRING-only text"

# Keys typed right after a mnemonic act after its command, as they were typed: Alt+G, Down,
# Alt+A in one burst applies row 1 of the new text, and a Down right after Alt+A does not change
# what that Apply puts.
printf '%s' 'Burst Of Keys ｶﾅ' >"$E2E_TMP/burst.in"
for v in lower upper; do expect burst "$v"; done
offer "$E2E_TMP/burst.in"
xdotool key --delay 0 --clearmodifiers alt+g Down alt+a
if wait_until 10 clipboard_is "$E2E_TMP/burst.upper"; then
  passed=$((passed + 1))
  xdotool key --delay 0 --clearmodifiers Up alt+a Down
  await_or_count "$E2E_TMP/burst.lower" "Alt+A then Down at once"
else
  failed+=("Alt+G, Down, Alt+A at once: clipboard holds '$(cat "$E2E_TMP/clipboard.now")', expected '$(cat "$E2E_TMP/burst.upper")'")
fi

# Another client takes the clipboard after the Apply click but before the program gets to it
# (the program is stopped meanwhile): the Apply still replaces that text, with no message.
printf '%s' 'Taken Meanwhile' >"$E2E_TMP/meanwhile.in"
xdotool mousemove --window "$win" "$LABEL_X" "$(row_y 0)" click 1
kill -STOP "$VP_PID"
xdotool mousemove --window "$win" "$APPLY_X" 13 click 1
xclip -selection clipboard -i "$E2E_TMP/meanwhile.in"
wait_until 10 clipboard_is "$E2E_TMP/meanwhile.in" || { kill -CONT "$VP_PID"; fail "xclip did not take the clipboard"; }
kill -CONT "$VP_PID"
await_clipboard "$E2E_TMP/burst.lower" "Apply processed after another client's copy"

[ "$(windows_of "$VP_PID")" -eq 1 ] || fail "a second window appeared during the round trips"
key alt+x
wait_exit "$VP_PID" 10 || fail "Alt+X did not end the program"
[ "$EXIT_CODE" -eq 0 ] || fail "exit code $EXIT_CODE"

# --- Started while the clipboard holds only a picture: empty window, no box, Apply empties. ---
convert -size 8x8 xc:red "$E2E_TMP/red.png"
xclip -selection clipboard -t image/png -i "$E2E_TMP/red.png"
wait_until 10 bash -c "xclip -o -selection clipboard -t TARGETS | grep -qx image/png" ||
  fail "the picture is not on the clipboard"
xclip -o -selection clipboard -t TARGETS | grep -Eqx 'UTF8_STRING|STRING|TEXT|text/plain.*' &&
  fail "the picture's clipboard offers text"

start_focused "no window over a picture"
[ "$(colours_in "$win" "$LABEL_AREA")" -eq 1 ] || fail "label list not empty over a picture"
[ "$(colours_in "$win" "$RESULT_AREA")" -eq 1 ] || fail "result list not empty over a picture"
passed=$((passed + 1))
: >"$E2E_TMP/empty"
key alt+a
await_clipboard "$E2E_TMP/empty" "Apply with the empty editor"
kill -0 "$VP_PID" 2>/dev/null || fail "the program ended over a picture"
[ "$(windows_of "$VP_PID")" -eq 1 ] || fail "a message box appeared over a picture"
key alt+x
wait_exit "$VP_PID" 10 || fail "Alt+X did not end the program"
[ "$EXIT_CODE" -eq 0 ] || fail "exit code $EXIT_CODE"

for f in "${failed[@]}"; do echo "FAIL: $f" >&2; done
echo "$passed passed, ${#failed[@]} failed"
[ "${#failed[@]}" -eq 0 ]
