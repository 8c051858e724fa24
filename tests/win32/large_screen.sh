#!/bin/sh
# The large-screen test on a virtual screen of its own, 2560 x 1440 unless
# told otherwise, with a Wine server started on it: the test records the
# whole screen through the engine, and while it does, X grabs the screen;
# the last frame of the video must be that grab, pixel for pixel.
#   large_screen.sh SOURCE_ROOT BUILD_FOLDER win64|win32 DECODER WINE_COMMAND...
# DECODER is the native build's video_last_frame.
set -eu

ROOT=$1 build=$2 SIZED_WINE=$3 decoder=$4
shift 4
: "${LARGE_SCREEN:=2560x1440}"
. "$ROOT/scripts/env.sh"
. "$ROOT/scripts/sized_screen.sh"
if [ ! -x "$decoder" ]; then
    echo "large screen: no $decoder: build the native configuration first" >&2
    exit 1
fi
out=$build/large_screen
rm -rf "$out"
mkdir -p "$out"
windows_path() { echo "Z:$1" | tr / '\\'; }

test_pid=""
end() {
    [ -z "$test_pid" ] || kill "$test_pid" 2>/dev/null || true
    stop_sized_screen
}
trap end EXIT
start_sized_screen "$LARGE_SCREEN"
echo "large screen: $LARGE_SCREEN on $DISPLAY"

MORVANE_TEST_SCREEN=$LARGE_SCREEN MORVANE_TEST_VIDEO=$(windows_path "$out/screen.zuv") \
    MORVANE_TEST_SYNC=$(windows_path "$out") "$@" "$build/tests/win32/large_screen_tests.exe" &
test_pid=$!
tries=0
until [ -f "$out/recording" ]; do
    tries=$((tries + 1))
    if [ $tries -gt 1200 ] || ! kill -0 "$test_pid" 2>/dev/null; then
        echo "large screen: the recording did not begin" >&2
        break
    fi
    sleep 0.1
done
[ ! -f "$out/recording" ] || import -window root "$out/x-grab.png"
touch "$out/grabbed"
status=0
wait "$test_pid" || status=$?
test_pid=""
[ "$status" -eq 0 ] || exit "$status"

header=$("$decoder" "$out/screen.zuv" "$out/last.ppm")
echo "large screen: $header"
echo "$header" | grep -q "^width ${LARGE_SCREEN%x*} height ${LARGE_SCREEN#*x} " || {
    echo "large screen: the header is not the screen's size" >&2
    exit 1
}
differing=$(compare -metric AE "$out/x-grab.png" "$out/last.ppm" null: 2>&1 || true)
if [ "$differing" != 0 ]; then
    echo "large screen: the last frame differs from X's grab in $differing pixels" >&2
    exit 1
fi
echo "large screen: the last frame is X's grab of the screen"
