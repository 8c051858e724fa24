#!/bin/sh
# Runs a Windows program under the 32-bit Wine of the i386 root; the emulator
# ctest starts the 32-bit test programs with.
exec sh "$(dirname "$0")/i386.sh" /usr/lib/wine/wine "$@"
