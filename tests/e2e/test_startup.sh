#!/usr/bin/env bash
# The real program under its own X server: window, one copy per user, Alt+X, silent refusals.
. "$(dirname "$0")/lib.sh"
start_xvfb

# First start on a fresh account: the data folder appears and the window opens.
t0=$(date +%s%N)
start_varnopile
first=$VP_PID
wait_until 20 has_window "$first" || fail "no window titled Varnopile"
t1=$(date +%s%N)
echo "start-up to window mapped: $(( (t1 - t0) / 1000000 )) ms"
[ -d "$XDG_CONFIG_HOME/Tormvale/Varnopile" ] || fail "data folder not created"

# A second copy ends at once, with code 0 and no window of its own.
"$VARNOPILE_BIN" & second=$!
E2E_PIDS+=("$second")
wait_exit "$second" 10 || fail "second copy still running"
[ "$EXIT_CODE" -eq 0 ] || fail "second copy exit code $EXIT_CODE"
kill -0 "$first" || fail "first copy disturbed"

# Alt+X closes the window and ends the program with code 0.
win=$(window_of "$first")
xdotool windowfocus --sync "$win"
xdotool key --clearmodifiers alt+x
wait_exit "$first" 10 || fail "Alt+X did not end the program"
[ "$EXIT_CODE" -eq 0 ] || fail "exit code after Alt+X: $EXIT_CODE"

# Killed outright, the copy leaves nothing that stops the next one.
start_varnopile
wait_until 20 has_window "$VP_PID" || fail "no window after a normal end"
kill -9 "$VP_PID"
wait "$VP_PID" 2>/dev/null
start_varnopile
wait_until 20 has_window "$VP_PID" || fail "no window after kill -9"
kill "$VP_PID"; wait "$VP_PID" 2>/dev/null

# A file where the data folder should be: the program ends silently, code 0, no window.
rm -rf "$XDG_CONFIG_HOME/Tormvale"
mkdir -p "$XDG_CONFIG_HOME/Tormvale"
: > "$XDG_CONFIG_HOME/Tormvale/Varnopile"
start_varnopile
wait_exit "$VP_PID" 10 || fail "program did not end with a file in the way"
[ "$EXIT_CODE" -eq 0 ] || fail "exit code with a file in the way: $EXIT_CODE"
[ ! -s "$E2E_TMP/varnopile.out" ] || fail "program said something: $(cat "$E2E_TMP/varnopile.out")"

# No display, or one that leads nowhere: one clear line on stderr and exit code 1, never an abort.
# Unused names: a display number no server has, a socket no compositor made.
cases=(
  "-u DISPLAY -u WAYLAND_DISPLAY|neither DISPLAY nor WAYLAND_DISPLAY is set"
  "-u DISPLAY WAYLAND_DISPLAY=nowhere-0|WAYLAND_DISPLAY=nowhere-0 leads to no compositor"
  "-u WAYLAND_DISPLAY DISPLAY=:9876|DISPLAY=:9876 leads to no X server"
  "DISPLAY=:9876 WAYLAND_DISPLAY=nowhere-0|DISPLAY=:9876 leads to no X server, WAYLAND_DISPLAY=nowhere-0 leads to no compositor"
  "-u DISPLAY WAYLAND_DISPLAY=nowhere-0 QT_QPA_PLATFORM=wayland|for QT_QPA_PLATFORM=wayland"
)
for c in "${cases[@]}"; do
  # shellcheck disable=SC2086
  out=$(env -u QT_QPA_PLATFORM ${c%%|*} "$VARNOPILE_BIN" 2>&1); code=$?
  [ "$code" -eq 1 ] || fail "with ${c%%|*} the exit code was $code: $out"
  [ "$(wc -l <<<"$out")" -eq 1 ] && grep -qF "no display" <<<"$out" && grep -qF "${c#*|}" <<<"$out" ||
    fail "with ${c%%|*} it said: $out"
done
echo "1 passed, 0 failed"
