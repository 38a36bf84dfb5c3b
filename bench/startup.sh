#!/bin/bash
# Start-up time and memory of varnopile next to a bare Qt window, both built here, both started by
# the same probe under one Xvfb of our own, alternating. Reports figures only; never fails on a time.
#
#   bench/startup.sh [BUILD_DIR [WINDOWS_BUILD_DIR]]   (default: build; N=20 runs each unless N is set)
#
# With a Windows build (build-win32, or build-win64 where the kernel runs no 32-bit programs),
# Varnopile.exe under Wine joins the rounds, in a prefix of its own whose wineserver stays up
# between starts, as on a desktop where Wine is in use; the prefix is made before the first round.
#
# Time: from just before the probe forks the program to the probe reading the MapNotify of the
# program's own top-level window (by _NET_WM_PID and title). The clipboard holds a 16384-unit
# Japanese text served by xclip, so varnopile's window opens with its variants. Memory: VmRSS and
# VmHWM once the window is mapped and the process has used no CPU for 300 ms. bare_text is the bare
# window with one Japanese label: the part of the difference that any window showing text pays.
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
SRC=$(cd "$HERE/.." && pwd)
BUILD=$(cd "${1:-$SRC/build}" && pwd)
EXE=
if [ -n "${2:-}" ]; then
  EXE=$(cd "$2" && pwd)/win/Varnopile.exe
  [ -f "$EXE" ] || { echo "missing $EXE: scripts/build-windows.sh" >&2; exit 1; }
fi
N=${N:-20}
for f in app/varnopile bench/bare_window bench/map_probe; do
  [ -x "$BUILD/$f" ] || { echo "missing $BUILD/$f: cmake --build $BUILD --target varnopile bare_window map_probe" >&2; exit 1; }
done

# shellcheck source=tests/e2e/lib.sh
source "$SRC/tests/e2e/lib.sh"
start_xvfb
PROGRAMS="varnopile bare bare_text"
if [ -n "$EXE" ]; then
  PROGRAMS="$PROGRAMS varnopile_exe exe_in_a_row"
  export WINEPREFIX=$E2E_TMP/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  trap 'wineserver -k 2>/dev/null; e2e_cleanup' EXIT
  WINE=$("$SRC/cmake/wine-loader.sh" "$EXE")
  "$WINE" wineboot -i >/dev/null 2>&1 || { echo "wineboot failed" >&2; exit 1; }
  wineserver -p </dev/null >/dev/null 2>&1
fi

# 16384 UTF-16 units (all in the BMP, so 16384 characters): kana of both widths, kanji, Latin, tabs, CR LF.
line=$'クリップボードの文字列を変換します。ガギグゲゴ、パピプペポ、ｶﾞｷﾞｸﾞ ﾊﾟﾋﾟ ｱｲｳｴｵ。ＡＢＣ１２３ abc 123\t「ひらがな」と『カタカナ』、漢字も混ざる。\r\n'
text=
while [ ${#text} -lt 16384 ]; do text+=$line; done
text=${text:0:16383}ん
printf '%s' "$text" >"$E2E_TMP/clip.txt"
xclip -quiet -selection clipboard -i "$E2E_TMP/clip.txt" >/dev/null 2>&1 &
E2E_PIDS+=($!)
wait_until 10 bash -c "xclip -o -selection clipboard | cmp -s - '$E2E_TMP/clip.txt'" || fail "xclip does not serve the text"

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
: >"$E2E_TMP/varnopile.runs"
: >"$E2E_TMP/bare.runs"
: >"$E2E_TMP/bare_text.runs"
: >"$E2E_TMP/varnopile_exe.runs"
: >"$E2E_TMP/exe_in_a_row.runs"
run() {  # run NAME keep|drop TITLE PROGRAM [ARGS...]
  local name=$1 keep=$2 out
  shift 2
  out=$("$BUILD/bench/map_probe" "$@" 2>>"$E2E_TMP/probe.err") || { echo "run of $name failed: $(tail -1 "$E2E_TMP/probe.err")" >&2; return; }
  [ "$keep" = keep ] && echo "$out" >>"$E2E_TMP/$name.runs"
}
# Round 0 warms the page cache and is not counted; the order swaps every round against drift.
for ((i = 0; i <= N; i++)); do
  keep=keep; [ "$i" -eq 0 ] && keep=drop
  if ((i % 2)); then
    run bare_text $keep Bare "$BUILD/bench/bare_window" --text
    run bare $keep Bare "$BUILD/bench/bare_window"
    run varnopile $keep Varnopile "$BUILD/app/varnopile"
    [ -n "$EXE" ] && run varnopile_exe $keep Varnopile "$WINE" "$EXE"
  else
    [ -n "$EXE" ] && run varnopile_exe $keep Varnopile "$WINE" "$EXE"
    run varnopile $keep Varnopile "$BUILD/app/varnopile"
    run bare $keep Bare "$BUILD/bench/bare_window"
    run bare_text $keep Bare "$BUILD/bench/bare_window" --text
  fi
done
# Under Wine a start costs about a second more when another program's window came and went since
# the last Wine start (the bare Qt window too, which never reads the clipboard): the exe also runs
# N times in a row, as on a desktop of Windows programs.
if [ -n "$EXE" ]; then
  for ((i = 0; i <= N; i++)); do
    keep=keep; [ "$i" -eq 0 ] && keep=drop
    run exe_in_a_row $keep Varnopile "$WINE" "$EXE"
  done
fi
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

# field NAME KEY: the values of KEY= over the runs, sorted.
field() { sed -n "s/.*$2=\([0-9.]*\).*/\1/p" "$E2E_TMP/$1.runs" | sort -g; }
median() { awk '{v[NR]=$1} END {if (NR == 0) print "nan"; else if (NR % 2) print v[(NR+1)/2]; else print (v[NR/2]+v[NR/2+1])/2}'; }
stat() { field "$1" "$2" | median; }
minmax() { field "$1" "$2" | awk 'NR==1{lo=$1} {hi=$1} END {printf "%s-%s", lo, hi}'; }

echo "Start-up to window mapped, Xvfb $DISPLAY ${XVFB_SCREEN:-1920x1080x24}, $(nproc) cores, load before: $load_before, after: $load_after"
printf '%-14s %5s %14s %18s %15s %15s\n' program runs "map ms median" "map ms min-max" "VmRSS MiB med" "VmHWM MiB med"
declare -A MAP RSS HWM
for p in $PROGRAMS; do
  MAP[$p]=$(stat $p map_ms)
  RSS[$p]=$(stat $p rss_kb)
  HWM[$p]=$(stat $p hwm_kb)
  printf '%-14s %5s %14.1f %18s %15.1f %15.1f\n' $p "$(wc -l <"$E2E_TMP/$p.runs")" "${MAP[$p]}" "$(minmax $p map_ms)" \
    "$(awk -v k="${RSS[$p]}" 'BEGIN{print k/1024}')" "$(awk -v k="${HWM[$p]}" 'BEGIN{print k/1024}')"
done
for b in bare bare_text; do
  awk -v b=$b -v vm="${MAP[varnopile]}" -v bm="${MAP[$b]}" -v vr="${RSS[varnopile]}" -v br="${RSS[$b]}" \
    -v vh="${HWM[varnopile]}" -v bh="${HWM[$b]}" 'BEGIN {
    printf "varnopile / %-9s: start-up %.2f%s, VmRSS %.2f, VmHWM %.2f\n", b, vm/bm, b == "bare" ? " (target <= 1.30)" : "", vr/br, vh/bh }'
done
# Wine's own processes (wineserver, the desktop) are not in the exe's memory figures.
if [ -n "$EXE" ]; then
  awk -v w="${MAP[varnopile_exe]}" -v l="${MAP[varnopile]}" \
    'BEGIN { printf "varnopile.exe under Wine / varnopile: start-up %.2f\n", w/l }'
  awk -v w="${MAP[exe_in_a_row]}" -v l="${MAP[varnopile]}" \
    'BEGIN { printf "varnopile.exe under Wine, in a row / varnopile: start-up %.2f\n", w/l }'
fi
