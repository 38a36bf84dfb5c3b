#!/usr/bin/env bash
# Varnopile.exe under Wine with xclip as the other program: the window opens on the X clipboard's
# text, Down and Alt+A put each of its six variants on the clipboard, Tab reaches the editor and is
# text there, and a second copy ends at once with exit code 0 and no second window.
VARNOPILE_EXE=$1
. "$(dirname "$0")/lib.sh"
start_xvfb

# The checked case of the width and kana tables, and what each row makes of it.
source_text='ABab12ＡＢａｂ１２あアばバﾊﾟ万萬'
expected=(
  'abab12ＡＢａｂ１２あアばバﾊﾟ万萬'
  'ABAB12ＡＢａｂ１２あアばバﾊﾟ万萬'
  'ABab12ABab12あｱばﾊﾞﾊﾟ万萬'
  'ＡＢａｂ１２ＡＢａｂ１２あアばバパ万萬'
  'ABab12ＡＢａｂ１２アアババﾊﾟ万萬'
  'ABab12ＡＢａｂ１２ああばばﾊﾟ万萬'
)
printf '%s' "$source_text" | xclip -selection clipboard -i
printf '%s' "$source_text" >"$E2E_TMP/source"
wait_until 10 clipboard_is "$E2E_TMP/source" || fail "xclip did not take the clipboard"

start_exe
for row in 0 1 2 3 4 5; do
  [ "$row" -eq 0 ] || key Down
  key alt+a
  printf '%s' "${expected[$row]}" >"$E2E_TMP/expected"
  wait_until 10 clipboard_is "$E2E_TMP/expected" ||
    fail "row $row: clipboard holds '$(cat "$E2E_TMP/clipboard.now")', not '${expected[$row]}'"
done

# Tab goes from the result list to the label list and on to the editor, where it is text.
key Tab Tab x Tab
key alt+a
printf 'x\t%s' "${expected[5]}" >"$E2E_TMP/expected"
wait_until 10 clipboard_is "$E2E_TMP/expected" || fail "after Tab Tab x Tab: '$(cat "$E2E_TMP/clipboard.now")'"

# A second copy: no window, no message, exit code 0, the first one untouched.
timeout 60 "$WINE" "$VARNOPILE_EXE" >"$E2E_TMP/second.out" 2>&1
second=$?
[ "$second" -eq 0 ] || fail "second copy ended with $second"
[ "$(win_windows '^Varnopile$' | wc -l)" -eq 1 ] || fail "a second window appeared"
kill -0 "$VP_PID" || fail "the first copy ended"

close_exe "after the variants"
echo "PASS: six variants on the clipboard, one copy at a time"
