#!/bin/sh
# Sets everything up, builds the Windows programs and starts the recorder
# (build/win64/recorder/morvane.exe) under Wine. On a machine with a display
# it runs there until closed; without one it runs on a virtual screen, saves a
# screenshot of it to $BUILD_DIR/morvane-screenshot.png and ends. Arguments
# are passed on to the recorder (a video file to play at once).
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/scripts/env.sh"

sh "$ROOT/scripts/setup.sh"
sh "$ROOT/scripts/build.sh" win64
program="$BUILD_DIR/win64/recorder/morvane.exe"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    echo "run: $WINE $program $* on display $DISPLAY"
    exec "$WINE" "$program" "$@"
fi

. "$ROOT/scripts/xvfb.sh"
echo "run: $WINE $program $* on the virtual screen $DISPLAY"
"$WINE" "$program" "$@" &
tries=0
until xwininfo -root -tree 2>/dev/null | grep -q '"Morvane 1.0 (pre-release)"'; do
    tries=$((tries + 1))
    if [ $tries -gt 600 ]; then
        echo "run: the recorder's window did not appear" >&2
        break
    fi
    sleep 0.1
done
sleep 1  # let the first paint reach the screen
shot="$BUILD_DIR/morvane-screenshot.png"
import -window root "$shot"
echo "run: screenshot saved to $shot"
"$WINESERVER" -k >/dev/null 2>&1 || true
[ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null || true
