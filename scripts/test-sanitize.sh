#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and UndefinedBehaviorSanitizer
# (warnings as errors) and runs every test against the instrumented build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# Qt is not instrumented: the suppressions name only leaks inside Qt and the libraries under it.
export ASAN_OPTIONS="detect_leaks=1:check_initialization_order=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
export VARNOPILE_BUILD_DIR=${VARNOPILE_BUILD_DIR:-$root/build-asan}
export VARNOPILE_CMAKE_ARGS="-DVARNOPILE_SANITIZE=ON -DVARNOPILE_BENCH=OFF ${VARNOPILE_CMAKE_ARGS:-}"
# The package test is left out: ASan and UBSan keep source paths in the binary for their reports,
# and an instrumented build is never packaged.
exec "$root/scripts/test.sh" -E '^e2e\.test_package$' "$@"
