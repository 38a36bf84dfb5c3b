#!/usr/bin/env bash
# Installs what is missing, builds the libFuzzer targets with clang, and runs each for a bounded
# time from the seed corpus in fuzz/corpus. Any crash, sanitizer report or broken invariant fails;
# the input is kept under the build folder's fuzz/findings.
#   VARNOPILE_FUZZ_SECONDS  time for each target (60)
#   VARNOPILE_FUZZ_BUILD_DIR  build folder (build-fuzz)
#   arguments: the targets to run (settings conversion utf8 stream)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
VARNOPILE_EXTRA_PACKAGES="clang libclang-rt-14-dev ${VARNOPILE_EXTRA_PACKAGES:-}" "$root/scripts/setup.sh"
build=${VARNOPILE_FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${VARNOPILE_FUZZ_SECONDS:-60}
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(settings conversion utf8 stream)

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DVARNOPILE_FUZZ=ON -DVARNOPILE_WERROR=ON -DVARNOPILE_BENCH=OFF >/dev/null
cmake --build "$build" --target "${targets[@]/#/fuzz_}"

# Raw conversion input up to 4096 units; the repeat form of the input reaches the long texts.
declare -A max_len=([settings]=4096 [conversion]=8192 [utf8]=4096 [stream]=16384)
findings=$build/fuzz/findings
mkdir -p "$findings"
passed=0 failed=0
for t in "${targets[@]}"; do
  work=$build/fuzz/work/$t  # grows from run to run on one machine; the seeds stay as they are
  log=$build/fuzz/$t.log
  mkdir -p "$work"
  args=(-max_total_time="$seconds" -max_len="${max_len[$t]:-4096}" -timeout=30 -rss_limit_mb=2048
        -print_final_stats=1 -artifact_prefix="$findings/$t-")
  [ -f "$root/fuzz/$t.dict" ] && args+=(-dict="$root/fuzz/$t.dict")
  if "$build/fuzz/fuzz_$t" "${args[@]}" "$work" "$root/fuzz/corpus/$t" >"$log" 2>&1; then
    passed=$((passed + 1))
    echo "fuzz_$t: no finding in ${seconds}s ($(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$') runs, $(ls "$work" | wc -l) inputs in the corpus)"
  else
    failed=$((failed + 1))
    tail -n 60 "$log"
    echo "fuzz_$t: FINDING; the input is in $findings (replay: $build/fuzz/fuzz_$t FILE)"
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
