#!/bin/sh
# Measures recording under Wine in the virtual screen (build win64 first):
# the processor share while an unchanging 640 x 480 window is recorded at 15
# frames per second, and the frames stored per second while a 1280 x 720
# window of scrolling text is recorded at 30.
#   scripts/measure/measure_recording.sh [SECONDS]   (each measurement; default 10)
set -eu

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
. "$ROOT/scripts/env.sh"

cmake --build "$BUILD_DIR/win64" --target measure_recording >/dev/null
. "$ROOT/scripts/xvfb.sh"
trap '[ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null || true' EXIT
"$WINE" "$BUILD_DIR/win64/bench/win32/measure_recording.exe" "${1:-10}"
