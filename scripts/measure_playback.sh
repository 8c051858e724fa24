#!/bin/sh
# Measures playback under Wine in the virtual screen (build win64 first):
# the processor share while an unchanging video plays at 15 frames per
# second, and per corpus sequence (../shared/corpus, or $CORPUS_DIR) the
# median time to decode one frame, and to decode and display it.
#   scripts/measure_playback.sh [NAME...]
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/scripts/env.sh"
: "${CORPUS_DIR:=$ROOT/../shared/corpus}"
SEQUENCES=${*:-"term_log_1080 drag_1080"}

# The corpus is kept compressed; the frames are unpacked into the build
# folder once, never into the repository.
unpacked="$BUILD_DIR/corpus"
mkdir -p "$unpacked"
for name in $SEQUENCES; do
    if [ ! -f "$CORPUS_DIR/$name.bgrx.zst" ]; then
        echo "measure: no $CORPUS_DIR/$name.bgrx.zst" >&2
        exit 1
    fi
    cp "$CORPUS_DIR/$name.txt" "$unpacked/$name.txt"
    if [ ! -f "$unpacked/$name.bgrx" ] || [ "$CORPUS_DIR/$name.bgrx.zst" -nt "$unpacked/$name.bgrx" ]; then
        zstd -d -q -f "$CORPUS_DIR/$name.bgrx.zst" -o "$unpacked/$name.bgrx"
    fi
done

cmake --build "$BUILD_DIR/win64" --target measure_playback >/dev/null
. "$ROOT/scripts/xvfb.sh"
trap '"$WINESERVER" -k >/dev/null 2>&1 || true; [ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null || true' EXIT
"$WINE" "$BUILD_DIR/win64/tests/win32/measure_playback.exe" "Z:$unpacked" $SEQUENCES
