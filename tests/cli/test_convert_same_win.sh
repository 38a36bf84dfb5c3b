#!/usr/bin/env bash
# varnopile-convert.exe under Wine against the Linux varnopile-convert: the same output, messages
# and exit codes, byte for byte, on one set of inputs in every mode.
# Usage: test_convert_same_win.sh LINUX_CONVERT WINDOWS_CONVERT_EXE
set -uo pipefail
linux=$(realpath "$1")
windows=$(realpath "$2")
run=$(realpath "${VARNOPILE_WINE_RUN:-$(dirname "$0")/../../cmake/wine-run.sh}")
export WINEPREFIX=${VARNOPILE_WINEPREFIX:?the test names its own prefix}
export WINEDEBUG=-all
work=$(mktemp -d)
cleanup() {
    wineserver -k 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# One server for the whole run, its output and its services' away from ours: each start then
# costs a fraction of a second, and the test's output closes when the test ends.
wineserver -p 60 </dev/null >/dev/null 2>&1
"$run" "$windows" --version >/dev/null 2>&1 </dev/null

cd "$work"
printf 'ﾊﾟｿｺﾝ ABC abc あア ｶﾞｷﾞ ﾞﾟ\r\nline two\x1Aafter the end-of-file byte\n\n' >mixed.txt
printf '  ＡＢＣ　全角　ﾊﾝｶｸ ｳﾞ ヴ ガ パ \\ ￥ ｀ 〜  \n' >widths.txt
printf 'ok so far \xC3\x28 then bad' >invalid.txt
printf 'ABab12ＡＢａｂ１２あアばバﾊﾟ万萬' >日本.txt
printf 'A\0B\0\x30\x30\x42\x30\r\0\n\0\xFF' >odd.utf16         # UTF-16LE, odd length
printf 'A\0b\0\x76\xFF\x9E\xFF\x30\x30' >even.utf16
: >empty.txt

failures=0
compare() {  # compare LABEL STDIN ARGS...
    local label=$1 input=$2
    shift 2
    "$linux" "$@" <"$input" >l.out 2>l.err
    local lrc=$?
    "$run" "$windows" "$@" <"$input" >w.out 2>w.err
    same "$label" "$lrc" $?
}
same() {  # same LABEL LINUX_EXIT WINDOWS_EXIT: the outputs and the exit codes agree
    local label=$1 lrc=$2 wrc=$3
    if [ "$lrc" != "$wrc" ] || ! cmp -s l.out w.out || ! cmp -s l.err w.err; then
        echo "DIFFERS: $label (exit $lrc vs $wrc)"
        cmp l.out w.out | head -1
        diff <(od -c l.err) <(od -c w.err) | head -5
        failures=$((failures + 1))
    fi
}

variants="lower upper halfwidth fullwidth katakana hiragana"
for input in mixed.txt widths.txt invalid.txt empty.txt; do
    compare "JSON <$input" "$input"
    for v in $variants; do
        compare "--to $v <$input" "$input" --to "$v"
        compare "--stream --to $v <$input" "$input" --stream --to "$v"
    done
done
for input in odd.utf16 even.utf16; do
    compare "--utf16 JSON <$input" "$input" --utf16
    compare "--utf16 --to halfwidth <$input" "$input" --utf16 --to halfwidth
    compare "--utf16 --stream --to fullwidth <$input" "$input" --utf16 --stream --to fullwidth
done
# A name outside the ANSI code page, as an argument; a bad byte in a named file names it.
compare "JSON 日本.txt" empty.txt 日本.txt
compare "--to fullwidth 日本.txt" empty.txt --to fullwidth 日本.txt
compare "--stream --to hiragana 日本.txt" empty.txt --stream --to hiragana 日本.txt
compare "named invalid file" empty.txt --to lower invalid.txt
compare "missing file" empty.txt --to lower missing.txt
compare "usage error" empty.txt --to nothing
compare "help" empty.txt --help
# The reader leaves after 100 bytes of many megabytes (| head): the same bytes, messages and exit code.
yes 'ﾊﾟｿｺﾝ ABC あア ｶﾞｷﾞ' | head -n 300000 >big.txt
for args in "--to fullwidth big.txt" "--stream --to katakana big.txt"; do
    # shellcheck disable=SC2086
    "$linux" $args 2>l.err </dev/null | head -c 100 >l.out
    lrc=${PIPESTATUS[0]}
    # shellcheck disable=SC2086
    "$run" "$windows" $args 2>w.err </dev/null | head -c 100 >w.out
    same "$args | head" "$lrc" "${PIPESTATUS[0]}"
done

if [ "$failures" != 0 ]; then
    echo "FAIL: $failures runs differ"
    exit 1
fi
echo "PASS: every run the same"
