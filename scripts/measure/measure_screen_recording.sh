#!/bin/sh
# Measures a whole-screen recording made from the recorder's own window under
# Wine, on a 1920 x 1080 virtual screen unless XVFB_SCREEN says otherwise
# (build win64 first): the frames stored per second at 30 frames per second
# while a window of text scrolls, and the recorder's processor share.
#   scripts/measure/measure_screen_recording.sh [SECONDS]   (default 10)
set -eu

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
: "${XVFB_SCREEN:=1920x1080x24}"
. "$ROOT/scripts/env.sh"

cmake --build "$BUILD_DIR/win64" --target measure_screen_recording >/dev/null
. "$ROOT/scripts/xvfb.sh"
trap '[ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null || true' EXIT

# The recorder this measurement started: the morvane.exe of this Wine prefix.
recorder_pid() {
    for pid in $(pgrep -f 'morvane\.exe' || true); do
        if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
            echo "$pid"
            return
        fi
    done
}

# User and system time of every thread of the process, in clock ticks.
cpu_ticks() {
    awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0
}

"$WINE" "$BUILD_DIR/win64/bench/win32/measure_screen_recording.exe" "${1:-10}" |
while IFS= read -r line; do
    case $line in
    "screen: measuring"*)
        pid=$(recorder_pid)
        before=$(cpu_ticks "${pid:-0}")
        started=$(date +%s.%N) ;;
    "screen: measured"*)
        after=$(cpu_ticks "${pid:-0}")
        ended=$(date +%s.%N)
        awk -v t="$((after - before))" -v hz="$(getconf CLK_TCK)" -v s="$started" -v e="$ended" \
            'BEGIN { printf "screen: recorder process CPU %.1f%% of one processor by /proc\n",
                     100 * t / hz / (e - s) }' ;;
    *)
        echo "$line" ;;
    esac
done
