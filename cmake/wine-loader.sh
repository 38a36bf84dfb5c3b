#!/bin/sh
# Prints the Wine loader for a Windows program: wine64 for a 64-bit one, wine otherwise. Debian's
# `wine` starts the 32-bit loader whenever it is installed, and a kernel without 32-bit support
# cannot run that loader even for a 64-bit program.
# The PE header's offset is at 0x3c; its machine field (0x8664: x86-64) 4 bytes further on.
offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
machine=$(od -An -tx2 -j$((${offset:-0} + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')
if [ "$machine" = 8664 ] && [ -x /usr/lib/wine/wine64 ]; then
    echo /usr/lib/wine/wine64
else
    echo wine
fi
