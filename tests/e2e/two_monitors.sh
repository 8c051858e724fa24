#!/bin/sh
# Recordings of every monitor and of one, on two monitors of Xorg's dummy
# driver (two_monitors.conf): the 1280 x 1024 primary and an 800 x 600
# monitor left of it, at negative coordinates. Whole Screen records the
# 2080 x 1024 virtual screen with the part on no monitor black; a click on
# the left monitor in the area selector records it whole. Both are judged
# against X's grabs. The server runs on the first free display from :150,
# with a Wine prefix of its own, since Wine reads the monitors as its
# server starts.
#   two_monitors.sh BUILD_FOLDER DECODER WINE_COMMAND
set -eu

build=$1 decoder=$2 wine=$3
here=$(cd "$(dirname "$0")" && pwd)
out=$(cd "$build/.." && pwd)/e2e/$(basename "$build")-monitors
rm -rf "$out"
mkdir -p "$out"
# X's coordinates are Windows' moved right by the left monitor's 800 pixels.
PARK="2075 1015" XSHIFT=800
. "$here/screen_helpers.sh"
[ -x "$decoder" ] || fail "no $decoder: build the native configuration first"
command -v Xorg >/dev/null || fail "no Xorg: scripts/setup.sh installs xserver-xorg-core"

case $wine in
*wine32*)
    # Wine finds the monitors through RandR, whose library an i386 root made
    # before it was added to scripts/setup.sh does not have.
    if [ ! -e "${I386_ROOT:?}/usr/lib/i386-linux-gnu/libXrandr.so.2" ]; then
        echo "two monitors: not run: $I386_ROOT has no libXrandr (make it again with" \
            "scripts/setup.sh after moving it away)" >&2
        exit 77
    fi
    WINEPREFIX32=$(dirname "$build")/wineprefix32-monitors
    export WINEPREFIX32
    server() {
        sh "$here/../../scripts/i386.sh" /usr/lib/wine/wineserver32 "$@" >/dev/null 2>&1 || true
    } ;;
*)
    WINEPREFIX=$(dirname "$build")/wineprefix-monitors
    export WINEPREFIX
    server() { "${WINESERVER:-wineserver}" "$@" >/dev/null 2>&1 || true; } ;;
esac

display=150
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
    display=$((display + 1))
done
Xorg ":$display" -noreset -nolisten tcp -config "$here/two_monitors.conf" \
    -logfile "$out/xorg.log" >/dev/null 2>&1 &
xorg_pid=$!
xterm_pid=""
end() {
    [ -z "$xterm_pid" ] || kill $xterm_pid 2>/dev/null || true
    probe close "$RECORDER" >/dev/null 2>&1 || true
    server -k
    kill "$xorg_pid" 2>/dev/null || true
}
trap end EXIT
DISPLAY=:$display
export DISPLAY
within 30 xdpyinfo || fail "Xorg did not start on $DISPLAY (see $out/xorg.log)"
# Windows are placed by Wine itself, with no window manager to wait for.
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$out/wine.log" 2>&1
monitors=$(probe monitors | sort | tr '\n' ' ')
[ "$monitors" = "-800 0 0 600 0 0 1280 1024 " ] || fail "Wine sees the monitors $monitors"

run_windows "$build/recorder/morvane.exe" &
wait_until 120 "the recorder" window_shown "$RECORDER"
# One text on the left monitor, one on no monitor: X shows both.
xterm -T morvane-text -geometry 40x6+100+100 -e sh -c 'echo "Left of the primary."; exec sleep 600' &
xterm_pid=$!
xterm -T morvane-gap -geometry 40x6+100+700 -e sh -c 'echo "On no monitor."; exec sleep 600' &
xterm_pid="$xterm_pid $!"
wait_until 30 "the xterms" window_shown morvane-text
wait_until 30 "the xterms" window_shown morvane-gap

# Whole Screen: every monitor.
screen_video=$out/screen.zuv
start_capture "$screen_video"
click_control "$LOCATOR" 1004
wait_until 30 "the whole screen chosen" text_says "$LOCATOR" 1006 DESKTOP
record
import -window root "$out/screen-x.png"
stop_recording "$screen_video"
header=$(decode "$screen_video")
echo "two monitors: whole screen: $header"
echo "$header" | grep -q "^width 2080 height 1024 " || fail "not the virtual screen: $header"
same_pixels "$out/screen-x.png" 800x600+0+0 "$out/screen.ppm" 800x600+0+0 ||
    fail "the left monitor's part is not what X showed"
! black "$out/screen-x.png" 800x424+0+600 || fail "X shows no text on the part on no monitor"
black "$out/screen.ppm" 800x424+0+600 || fail "the part on no monitor is not black"

# A click on the left monitor in the selector, then Enter: that monitor.
monitor_video=$out/monitor.zuv
start_capture "$monitor_video"
open_selector
click_at 400 300
xdotool key Return
wait_until 30 "the monitor named in the locator" \
    text_says "$LOCATOR" 1006 "Monitor 2: 800 x 600 at (-800, 0)"
record
import -window root "$out/monitor-x.png"
stop_recording "$monitor_video"
header=$(decode "$monitor_video")
echo "two monitors: left monitor: $header"
echo "$header" | grep -q "^width 800 height 600 " || fail "not the left monitor: $header"
same_pixels "$out/monitor-x.png" 800x600+0+0 "$out/monitor.ppm" ||
    fail "the left monitor's recording is not what X showed"
# A whole monitor has no frame: the primary's first column is not red.
pixel=$(convert "$out/monitor-x.png" -crop 1x1+800+300 +repage -format "%[pixel:p]" info:)
case $pixel in *255,48,48*) fail "a frame is shown around a whole monitor" ;; esac

probe close "$RECORDER"
wait_until 60 "the recorder's end" window_gone "$RECORDER"
echo "two monitors: passed"
