#!/bin/bash
# varnopile-convert --stream beside nkf and uconv on the same 100 MB of mixed Japanese text, file to
# /dev/null, in one run: best wall and CPU (user + system) time of R runs each, throughput, our
# speed-up over each, and the peak resident memory (/usr/bin/time -v). On a busy machine wall times
# mostly measure the scheduler, so the ratios are given for both. Reports figures only; never fails
# on a time.
#
#   bench/convert_stream.sh [BUILD_DIR]     (default: build; R=3 runs each, SIZE_MB=100 unless set)
#
# nkf, uconv (icu-devtools) and GNU time are installed here when missing: the benchmark needs them,
# the product does not.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
SRC=$(cd "$HERE/.." && pwd)
BUILD=$(cd "${1:-$SRC/build}" && pwd)
R=${R:-3}
SIZE_MB=${SIZE_MB:-100}
CONVERT=$BUILD/tools/varnopile-convert
[ -x "$CONVERT" ] || { echo "missing $CONVERT: cmake --build $BUILD --target varnopile-convert" >&2; exit 1; }

missing=()
command -v nkf >/dev/null || missing+=(nkf)
command -v uconv >/dev/null || missing+=(icu-devtools)
[ -x /usr/bin/time ] || missing+=(time)
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  echo "Installing for the benchmark: ${missing[*]}" >&2
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
TEXT=$WORK/mixed.txt

# Mixed Japanese text: lines of kanji, hiragana, katakana of both widths (with sound marks), full-width
# and ASCII letters and digits, punctuation, the odd emoji. A 1 MB block of random lines, repeated.
python3 - "$WORK/block.txt" <<'EOF'
import random, sys
random.seed(12)
words = ("変換 文字列 漢字 東京都 新しい 設定 確認 日本語 入力 出力 表示 全角 半角 大文字 小文字 "
         "ひらがな かたかな ですます これは ために について ください ありがとう "
         "カタカナ データ ファイル クリップボード ガギグゲゴ パピプペポ ヴァイオリン "
         "ｶﾀｶﾅ ﾃﾞｰﾀ ﾌｧｲﾙ ｶﾞｷﾞｸﾞ ﾊﾟﾋﾟﾌﾟ ｱｲｳｴｵ "
         "ＡＢＣ ｘｙｚ １２３ Varnopile text ABC abc 2024 100% "
         "、 。 「 」 『 』 （ ） ・ ー ！ ？ 😀").split()
out, size = [], 0
while size < 1 << 20:
    line = "".join(random.choice(words) + (" " if random.random() < 0.2 else "")
                   for _ in range(random.randint(5, 30))) + "\n"
    out.append(line)
    size += len(line.encode())
open(sys.argv[1], "w", encoding="utf-8").write("".join(out))
EOF
for _ in $(seq "$SIZE_MB"); do cat "$WORK/block.txt"; done >"$TEXT"
bytes=$(stat -c %s "$TEXT")

# best NAME COMMAND...: the best of R runs, its seconds and peak resident kilobytes.
declare -A SECONDS_OF CPU_OF RSS_OF
best() {
  local name=$1; shift
  local best_s= best_cpu= best_kb=0 s cpu kb
  for _ in $(seq "$R"); do
    /usr/bin/time -v -o "$WORK/time" "$@" <"$TEXT" >/dev/null 2>"$WORK/err" || {
      echo "$name failed: $(cat "$WORK/err")" >&2; return 0; }
    s=$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, p, ":"); t = 0; for (i = 1; i <= n; i++) t = t * 60 + p[i]; print t }' "$WORK/time")
    kb=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$WORK/time")
    cpu=$(awk -F': ' '/(User|System) time/ { t += $2 } END { printf "%.2f", t }' "$WORK/time")
    if [ -z "$best_s" ] || awk -v a="$s" -v b="$best_s" 'BEGIN { exit !(a < b) }'; then best_s=$s; fi
    if [ -z "$best_cpu" ] || awk -v a="$cpu" -v b="$best_cpu" 'BEGIN { exit !(a < b) }'; then best_cpu=$cpu; fi
    [ "$kb" -gt "$best_kb" ] && best_kb=$kb
  done
  SECONDS_OF[$name]=$best_s
  CPU_OF[$name]=$best_cpu
  RSS_OF[$name]=$best_kb
}

# GNU time reports wall time in hundredths: time each of ours again with the shell's clock too.
precise() {
  local t0 t1 bestns=
  for _ in $(seq "$R"); do
    t0=$(date +%s%N); "$@" <"$TEXT" >/dev/null; t1=$(date +%s%N)
    if [ -z "$bestns" ] || [ $((t1 - t0)) -lt "$bestns" ]; then bestns=$((t1 - t0)); fi
  done
  awk -v n="$bestns" 'BEGIN { printf "%.3f", n / 1e9 }'
}

cat "$TEXT" >/dev/null  # into the page cache
variants=(lower upper halfwidth fullwidth katakana hiragana)
for v in "${variants[@]}"; do
  best "$v" "$CONVERT" --stream --to "$v"
  SECONDS_OF[$v]=$(precise "$CONVERT" --stream --to "$v")
done
best "nkf -w -Z4" nkf -w -Z4
best "nkf -w -X" nkf -w -X
best "uconv Fullwidth-Halfwidth" uconv -f utf-8 -t utf-8 -x Fullwidth-Halfwidth
best "uconv Hiragana-Katakana" uconv -f utf-8 -t utf-8 -x Hiragana-Katakana

others=("nkf -w -Z4" "nkf -w -X" "uconv Fullwidth-Halfwidth" "uconv Hiragana-Katakana")
echo "input: $bytes bytes of mixed Japanese text, best of $R runs, file to /dev/null ($(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg))"
printf '%-28s %9s %9s %10s %10s\n' program wall-s cpu-s MB/s "max RSS KB"
for name in "${variants[@]}" "${others[@]}"; do
  s=${SECONDS_OF[$name]:-}
  [ -n "$s" ] || continue
  printf '%-28s %9s %9s %10s %10s\n' "$name" "$s" "${CPU_OF[$name]}" \
    "$(awk -v b="$bytes" -v s="$s" 'BEGIN { if (s > 0) printf "%.0f", b / s / 1e6; else print "-" }')" "${RSS_OF[$name]}"
done
for clock in wall cpu; do
  echo
  echo "speed-up of each variant over each other program, $clock time (theirs / ours):"
  printf '%-12s' ""
  for o in "${others[@]}"; do printf ' %26s' "$o"; done
  echo
  for v in "${variants[@]}"; do
    printf '%-12s' "$v"
    for o in "${others[@]}"; do
      if [ "$clock" = wall ]; then a=${SECONDS_OF[$o]:-0} b=${SECONDS_OF[$v]}; else a=${CPU_OF[$o]:-0} b=${CPU_OF[$v]}; fi
      printf ' %26s' "$(awk -v a="$a" -v b="$b" 'BEGIN { if (a > 0 && b > 0) printf "%.1fx", a / b; else print "-" }')"
    done
    echo
  done
done

# The figures the converter is held to: 1 GB/s for each variant, 20x over each other program.
slowest=$(for v in "${variants[@]}"; do awk -v b="$bytes" -v s="${SECONDS_OF[$v]}" -v v="$v" 'BEGIN { printf "%.0f %s\n", b / s / 1e6, v }'; done | sort -n | head -1)
least() {
  for v in "${variants[@]}"; do
    for o in "${others[@]}"; do
      if [ "$1" = wall ]; then a=${SECONDS_OF[$o]:-0} b=${SECONDS_OF[$v]}; else a=${CPU_OF[$o]:-0} b=${CPU_OF[$v]}; fi
      awk -v a="$a" -v b="$b" -v p="$v over $o" 'BEGIN { if (a > 0 && b > 0) printf "%.1f %s\n", a / b, p }'
    done
  done | sort -n | head -1
}
echo
echo "slowest variant: ${slowest#* } at ${slowest%% *} MB/s (wanted: 1000 or more)"
echo "least speed-up, wall time: $(least wall | sed 's/^\([^ ]*\) /\1x: /') (wanted: 20x or more)"
echo "least speed-up, cpu time:  $(least cpu | sed 's/^\([^ ]*\) /\1x: /')"
