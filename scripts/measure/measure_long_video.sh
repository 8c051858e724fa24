#!/bin/sh
# Measures what a long recording costs the recorder, beside a short one of
# the same pictures: a corpus sequence (../shared/corpus, or $CORPUS_DIR;
# term_log_1080 unless named) becomes a 10 fps video the way the recorder
# stores it, and the same records spread over 3 GiB of a sparse file (a few
# MB on disk). The recorder of the build (win32, the one users get, unless
# named) plays each from its command line, and the recorder's export
# writes each as an animated PNG and a GIF: printed are the recorder's peak
# memory while playing, and each export's time and peak memory.
#   scripts/measure/measure_long_video.sh [win32|win64] [NAME]
set -eu

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
. "$ROOT/scripts/env.sh"
config=${1:-win32}
name=${2:-term_log_1080}

. "$ROOT/scripts/corpus.sh"
unpack_corpus "$name"

if [ -f "$BUILD_DIR/native/build.ninja" ]; then
    cmake --build "$BUILD_DIR/native" --target video_from_frames >/dev/null
else
    sh "$ROOT/scripts/build.sh" native >/dev/null
fi
cmake --build "$BUILD_DIR/$config" --target measure_long_video morvane >/dev/null
out="$BUILD_DIR/measure_long_video"
rm -rf "$out"
mkdir -p "$out"
width=$(sed -n 's/^width=//p' "$CORPUS_UNPACKED/$name.txt")
height=$(sed -n 's/^height=//p' "$CORPUS_UNPACKED/$name.txt")
"$BUILD_DIR/native/tools/video_from_frames" "$width" "$height" 10 \
    "$CORPUS_UNPACKED/$name.bgrx" "$out/short.zuv"

program="$BUILD_DIR/$config/bench/win32/measure_long_video.exe"
. "$ROOT/scripts/xvfb.sh"
trap 'rm -f "$out/long.zuv"; [ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null || true' EXIT
run() {
    case $config in
    win32) sh "$ROOT/scripts/wine32.sh" "$program" "$@" ;;
    *) "$WINE" "$program" "$@" ;;
    esac
}
run spread "Z:$out/short.zuv" "Z:$out/long.zuv"
echo "on disk: short $(du -k "$out/short.zuv" | cut -f1) KB, long $(du -k "$out/long.zuv" | cut -f1) KB" \
    "($(stat -c %s "$out/long.zuv") bytes long)"
morvane="Z:$BUILD_DIR/$config/recorder/morvane.exe"
for video in short long; do
    run play "$morvane" "Z:$out/$video.zuv"
done
for video in short long; do
    run export "Z:$out/$video.zuv" "Z:$out/$video.png"
    run export "Z:$out/$video.zuv" "Z:$out/$video.gif"
done
cmp "$out/short.png" "$out/long.png" && cmp "$out/short.gif" "$out/long.gif" &&
    echo "the long video's exports are byte for byte the short one's"
