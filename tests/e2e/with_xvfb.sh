#!/usr/bin/env bash
# Runs one test program against a real X server of its own.
. "$(dirname "$0")/lib.sh"
start_xvfb
"$@"
