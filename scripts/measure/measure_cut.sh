#!/bin/sh
# Measures the cut on the screen corpus (../shared/corpus, or $CORPUS_DIR):
# makes a 10-minute 1920 x 1080 recording at 15 fps from term_log_1080 and
# drag_1080, the way the recorder stores it: each corpus frame held for 3
# records, a change every third record, as on a busy screen (1.9 GB: these
# changes are large). Then times zuvtool cutting 8
# minutes out of the middle, and the whole video with its still ends
# trimmed (processor time, user + system, best of 3 runs, beside a cp of the
# same video), checks that a part to the end ends on the original's last
# picture, and times the cut window's jumps (cut_bench jump), there and in
# a minute of the same content changing on every record, where a jump
# decodes up to 119 delta frames.
#   scripts/measure/measure_cut.sh
set -eu

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
. "$ROOT/scripts/env.sh"
. "$ROOT/scripts/corpus.sh"
unpack_corpus term_log_1080 drag_1080

if [ -f "$BUILD_DIR/native/build.ninja" ]; then
    cmake --build "$BUILD_DIR/native" --target zuvtool cut_bench video_last_frame >/dev/null
else
    sh "$ROOT/scripts/build.sh" native >/dev/null
fi
BIN="$BUILD_DIR/native"
OUT="$BUILD_DIR/measure_cut"
mkdir -p "$OUT"

# Best of 3 runs of user + system seconds of a command.
cpu() {
    best=1000000
    for run in 1 2 3; do
        t=$(/usr/bin/time -f "%U %S" "$@" 2>&1 >/dev/null | tail -1 | awk '{ print $1 + $2 }')
        best=$(echo "$best $t" | awk '{ print ($2 + 0 < $1 + 0) ? $2 : $1 }')
    done
    echo "$best"
}

for hold in 3; do
    video="$OUT/ten_minutes_hold$hold.zuv"
    [ -f "$video" ] || "$BIN/bench/cut_bench" make 10 15 "$hold" "$video" \
        "$CORPUS_UNPACKED/term_log_1080.bgrx" "$CORPUS_UNPACKED/drag_1080.bgrx"
    echo "== 10 minutes at 15 fps, each picture held $hold records: $(stat -c %s "$video") bytes"
    "$BIN/zuvtool/zuvtool" info "$video" | grep -E "records|key|delta|unchanged"
    part="$OUT/part.zuv"
    echo "cp of the video:               $(cpu cp "$video" "$OUT/copy.zuv") s"
    echo "cut 1:00 to 9:00:              $(cpu "$BIN/zuvtool/zuvtool" cut "$video" "$part" --from 60 --to 540) s"
    "$BIN/zuvtool/zuvtool" cut "$video" "$part" --from 60 >/dev/null
    "$BIN/tools/video_last_frame" "$video" "$OUT/whole.ppm" >/dev/null
    "$BIN/tools/video_last_frame" "$part" "$OUT/part.ppm" >/dev/null
    cmp -s "$OUT/whole.ppm" "$OUT/part.ppm" || { echo "measure_cut: the part ends on another picture" >&2; exit 1; }
    echo "cut whole, --trim-still:       $(cpu "$BIN/zuvtool/zuvtool" cut "$video" "$part" --trim-still) s"
    echo "zuvtool info (one whole walk): $(cpu "$BIN/zuvtool/zuvtool" info "$video") s"
    "$BIN/bench/cut_bench" jump "$video"
    rm -f "$OUT/copy.zuv" "$part" "$OUT/whole.ppm" "$OUT/part.ppm"
done

video="$OUT/one_minute_hold1.zuv"
[ -f "$video" ] || "$BIN/bench/cut_bench" make 1 15 1 "$video" \
    "$CORPUS_UNPACKED/term_log_1080.bgrx" "$CORPUS_UNPACKED/drag_1080.bgrx"
echo "== 1 minute at 15 fps, every record a change: $(stat -c %s "$video") bytes"
"$BIN/bench/cut_bench" jump "$video"
