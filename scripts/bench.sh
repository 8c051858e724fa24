#!/bin/sh
# Times the codec and the packer on the screen corpus (../shared/corpus, or
# $CORPUS_DIR): each frame against the one before, the round trip of every
# frame checked first. Prints per step the median time per frame, MB/s of
# frame input and the ratio to a memcpy of one frame (a memcmp of two for the
# change test) measured in the same run, beside LZ4 and zlib on the same
# planes. Configurations: native (default) and win64, the Windows build run
# under Wine (without the peers' libraries). BENCH_LEVEL=scalar, sse2 or avx2
# picks the kernels instead of the best the processor runs.
#   scripts/bench.sh [native|win64]...
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/scripts/env.sh"
SEQUENCES="term_log_1080 drag_1080 notepad_720"

. "$ROOT/scripts/corpus.sh"
unpack_corpus $SEQUENCES

level=${BENCH_LEVEL:+--level $BENCH_LEVEL}
for config in ${*:-native}; do
    if [ -f "$BUILD_DIR/$config/build.ninja" ]; then
        cmake --build "$BUILD_DIR/$config" --target codec_bench >/dev/null
    else
        sh "$ROOT/scripts/build.sh" "$config" >/dev/null
    fi
    echo "== $config"
    case $config in
    native)
        "$BUILD_DIR/native/bench/codec_bench" $level "$CORPUS_UNPACKED" $SEQUENCES ;;
    win64)
        # The surfaces are DIB sections, which want a display.
        . "$ROOT/scripts/xvfb.sh"
        trap '"$WINESERVER" -k >/dev/null 2>&1 || true; [ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null || true' EXIT
        "$WINE" "$BUILD_DIR/win64/bench/codec_bench.exe" $level "Z:$CORPUS_UNPACKED" $SEQUENCES ;;
    *)
        echo "bench: unknown configuration $config (native or win64)" >&2
        exit 2 ;;
    esac
done
