#!/bin/sh
# Runs a Windows program under Wine, as CMake's emulator for the mingw builds. The prefix is
# VARNOPILE_WINEPREFIX, else one beside the program (its build folder), so no test touches ~/.wine;
# a first use in a fresh prefix makes it (about 10 s).
set -e
program=$1
shift
if [ -z "${VARNOPILE_WINEPREFIX:-}" ]; then
    dir=$(cd "$(dirname "$program")" && pwd)
    # The build folder: the nearest one above the program that holds CMakeCache.txt.
    while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
    [ "$dir" = / ] && dir=$(cd "$(dirname "$program")" && pwd)
    VARNOPILE_WINEPREFIX=$dir/wine-prefix
fi
export WINEPREFIX="$VARNOPILE_WINEPREFIX"
export WINEDEBUG=-all
# No Mono or Gecko: nothing here needs them, and their installers would ask.
export WINEDLLOVERRIDES="mscoree,mshtml=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
exec "$("$(dirname "$0")/wine-loader.sh" "$program")" "$program" "$@"
