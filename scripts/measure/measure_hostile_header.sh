#!/bin/sh
# Measures what videos whose headers claim huge pictures cost the player:
# its peak memory while it plays each for a few seconds and how far its
# playback clock gets, beside a video of the largest picture the surfaces hold.
#   scripts/measure/measure_hostile_header.sh [win32|win64] [SECONDS]
set -eu

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
. "$ROOT/scripts/env.sh"
config=${1:-win32}
seconds=${2:-8}

cmake --build "$BUILD_DIR/$config" --target measure_hostile_header >/dev/null
out="$BUILD_DIR/measure_hostile_header"
rm -rf "$out"
mkdir -p "$out"
program="$BUILD_DIR/$config/bench/win32/measure_hostile_header.exe"
. "$ROOT/scripts/xvfb.sh"
trap '[ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null || true' EXIT
case $config in
win32) sh "$ROOT/scripts/wine32.sh" "$program" "Z:$out" "$seconds" ;;
*) "$WINE" "$program" "Z:$out" "$seconds" ;;
esac
