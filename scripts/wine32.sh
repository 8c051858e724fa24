#!/bin/sh
# Runs a Windows program under the 32-bit Wine of the i386 root; the emulator
# ctest starts the 32-bit test programs with.
#
# The first program of a new Wine server starts the prefix's start-up
# (wineboot --init), and every later program waits for it, up to five
# minutes each. Under the emulator that start-up has been seen to hang once
# in many runs; one that has run for over a minute, when it takes seconds,
# has hung, and its server is ended so that this program starts afresh.
ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/scripts/env.sh"
for pid in $(pgrep -f 'wineboot.exe --init' 2>/dev/null); do
    age=$(ps -o etimes= -p "$pid" 2>/dev/null | tr -d ' ')
    if [ "${age:-0}" -gt 60 ] &&
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX32"; then
        echo "wine32: the start-up of $WINEPREFIX32 hung ${age}s; its server is ended" >&2
        sh "$ROOT/scripts/i386.sh" /usr/lib/wine/wineserver32 -k >/dev/null 2>&1 || true
        break
    fi
done
exec sh "$ROOT/scripts/i386.sh" /usr/lib/wine/wine "$@"
