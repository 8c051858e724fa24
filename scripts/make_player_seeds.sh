#!/bin/sh
# Makes the fuzzing seeds of the executable reader from real players: the
# 32-bit and the 64-bit selfplayer.exe as built, and a self-playing
# executable made from each with the video seed letter_24x16, written into
# fuzz/corpus/executable_resources. Run by hand when the player changes much.
#   scripts/make_player_seeds.sh
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/scripts/env.sh"

sh "$ROOT/scripts/build.sh" win32 >/dev/null
cmake --build "$BUILD_DIR/win64" --target selfplayer make_player_seeds >/dev/null
out="$ROOT/fuzz/corpus/executable_resources"
mkdir -p "$out"
. "$ROOT/scripts/xvfb.sh"
trap '[ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null || true' EXIT
"$WINE" "$BUILD_DIR/win64/tests/win32/make_player_seeds.exe" "Z:$out" \
    "Z:$ROOT/fuzz/corpus/video_reader/letter_24x16" \
    "player32=Z:$BUILD_DIR/win32/player/selfplayer.exe" \
    "player64=Z:$BUILD_DIR/win64/player/selfplayer.exe"
