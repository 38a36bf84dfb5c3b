#!/usr/bin/env bash
# Runs one Windows test program under Wine against an X server of its own, with openbox.
VARNOPILE_EXE=$1
. "$(dirname "$0")/lib.sh"
start_xvfb
"$WINE" "$@"
