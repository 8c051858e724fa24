#!/bin/sh
# Measures playback under Wine in the virtual screen (build win64 first):
# the processor share while an unchanging video plays at 15 frames per
# second, and per corpus sequence (../shared/corpus, or $CORPUS_DIR) the
# median time to decode one frame, and to decode and display it.
#   scripts/measure/measure_playback.sh [NAME...]
set -eu

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
. "$ROOT/scripts/env.sh"
SEQUENCES=${*:-"term_log_1080 drag_1080"}

. "$ROOT/scripts/corpus.sh"
unpack_corpus $SEQUENCES

cmake --build "$BUILD_DIR/win64" --target measure_playback >/dev/null
. "$ROOT/scripts/xvfb.sh"
trap '"$WINESERVER" -k >/dev/null 2>&1 || true; [ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null || true' EXIT
"$WINE" "$BUILD_DIR/win64/bench/win32/measure_playback.exe" "Z:$CORPUS_UNPACKED" $SEQUENCES
