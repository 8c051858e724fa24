#!/bin/sh
# Recordings read what the screen shows, judged against X's grabs of it, on
# the 1920 x 1200 test screen (Windows and X coordinates are the same there):
# a window half covered by an xterm and then moved partly off the screen is
# recorded as seen, followed at its size, black beyond the screen; a window
# minimised and restored gives unchanged records meanwhile; an area drawn in
# the selector is recorded at its size and pixels, with its frame outside
# them, and Escape in the selector keeps the previous choice.
#   screen_scenario.sh BUILD_FOLDER DECODER WINE_COMMAND
set -eu

build=$1 decoder=$2 wine=$3
out=$(cd "$build/.." && pwd)/e2e/$(basename "$build")-screen
rm -rf "$out"
mkdir -p "$out"
PARK="5 1195"
. "$(dirname "$0")/screen_helpers.sh"
[ -x "$decoder" ] || fail "no $decoder: build the native configuration first"
zuvtool=$(dirname "$decoder")/../zuvtool/zuvtool

xterm_pid=""
end_programs() {
    [ -z "$xterm_pid" ] || kill "$xterm_pid" 2>/dev/null || true
    for title in "$TARGET" "$RECORDER"; do probe close "$title" >/dev/null || true; done
}
trap end_programs EXIT

# The target holds its last picture from the start: the file it watches is there.
touch "$out/ready"
run_windows "$build/tests/e2e/e2e_target.exe" 400 300 "$(windows_path "$out/ready")" &
run_windows "$build/recorder/morvane.exe" &
wait_until 120 "the recorder" window_shown "$RECORDER"
wait_until 60 "the target window" window_shown "$TARGET"
# Over the left half of the part of the target left on the screen once moved.
xterm -T morvane-cover -geometry 20x20+1750+560 -e sh -c 'exec sleep 600' &
xterm_pid=$!
wait_until 30 "the xterm" window_shown morvane-cover

# A window: dragged onto with the locator, then moved partly off the screen
# under the xterm while recorded.
window_video=$out/window.zuv
start_capture "$window_video"
set -- $(centre_of control "$LOCATOR" 1003) $(centre_of window "$TARGET")
xdotool mousemove $1 $2 mousedown 1 mousemove $(((($1 + $3)) / 2)) $(((($2 + $4)) / 2))
sleep 0.2
xdotool mousemove $3 $4
sleep 0.2
xdotool mouseup 1
wait_until 30 "the target named in the locator" text_says "$LOCATOR" 1006 "$TARGET"
record
probe move "$TARGET" 1820 600 || fail "the target could not be moved"
sleep 1.5
set -- $(probe window "$TARGET")
[ "$1 $2" = "1820 600" ] || fail "the target is at $1 $2"
width=$(($3 - $1)) height=$(($4 - $2))
# The client area within the frame: the caption's colours follow the focus,
# which the recorder takes to stop a recording.
client=$(($7 - $5))x$(($8 - $6)) client_at_x=$(($5 - $1)) client_at_y=$(($6 - $2))
import -window root "$out/window-x.png"
stop_recording "$window_video"
header=$(decode "$window_video")
echo "screen scenario: window: $header"
echo "$header" | grep -q "^width $width height $height " || fail "not the window's size: $header"
same_pixels "$out/window-x.png" "$((1920 - 1820))x$height+1820+600" "$out/window.ppm" ||
    fail "the moved window's recording is not what the screen showed"
black "$out/window.ppm" "$((width - 100))x$height+100+0" ||
    fail "the part of the window beyond the screen is not black"
shot window-recorded

# Minimised and restored while recorded: the last picture is held, so the
# records change only at the start.
probe move "$TARGET" 400 300
held_video=$out/held.zuv
start_capture "$held_video"
set -- $(centre_of control "$LOCATOR" 1003) $(centre_of window "$TARGET")
xdotool mousemove $1 $2 mousedown 1 mousemove $3 $4
sleep 0.2
xdotool mousemove $(($3 + 1)) $4
sleep 0.2
xdotool mouseup 1
wait_until 30 "the target named in the locator" text_says "$LOCATOR" 1006 "$TARGET"
record
probe show "$TARGET" minimize
# The whole seconds recorded when the window went: the status line lags by
# at most half a second, so the record 1.6 s on lies within the 2 s the
# window stays minimised.
elapsed=$(probe child "$RECORDER" Static | sed -n 's/.*Capturing \[00:00:0*\([0-9]*\)\].*/\1/p')
sleep 2
probe show "$TARGET" restore
sleep 1.5
import -window root "$out/held-x.png"
stop_recording "$held_video"
header=$(decode "$held_video")
echo "screen scenario: minimised at ${elapsed:-?} s: $header"
same_pixels "$out/held-x.png" "$client+$((400 + client_at_x))+$((300 + client_at_y))" \
    "$out/held.ppm" "$client+$client_at_x+$client_at_y" ||
    fail "the restored window's recording is not what the screen showed"
fps=$(echo "$header" | sed 's/.* fps \([0-9]*\) .*/\1/')
while_minimised=$(( (${elapsed:-1} * 10 + 16) * fps / 10 ))
"$zuvtool" png "$held_video" "$out/minimised.png" --frame $while_minimised >/dev/null ||
    fail "no record $while_minimised in $held_video"
same_pixels "$out/minimised.png" "$client+$client_at_x+$client_at_y" "$out/held.ppm" \
    "$client+$client_at_x+$client_at_y" ||
    fail "record $while_minimised, while the window was minimised, does not hold its picture"

# An area drawn in the selector, then in the selector again a drag and
# Escape: the first area stays chosen.
area_video=$out/area.zuv
start_capture "$area_video"
open_selector
drag 350 250 549 399
xdotool key Return
wait_until 30 "the area named in the locator" \
    text_says "$LOCATOR" 1006 "Area: 200 x 150 at (350, 250)"
open_selector
drag 100 100 300 300
xdotool key Escape
wait_until 30 "the selector's end" window_gone "$SELECTOR"
sleep 0.5
text_says "$LOCATOR" 1006 "Area: 200 x 150 at (350, 250)" || fail "Escape changed the area"
record
import -window root "$out/area-x.png"
stop_recording "$area_video"
header=$(decode "$area_video")
echo "screen scenario: area: $header"
echo "$header" | grep -q "^width 200 height 150 " || fail "not the area's size: $header"
same_pixels "$out/area-x.png" "200x150+350+250" "$out/area.ppm" ||
    fail "the area's recording is not what the screen showed"
# The frame was on the screen, just outside the area.
frame=$(convert "$out/area-x.png" -crop 1x1+349+300 +repage -format "%[pixel:p]" info:)
case $frame in *255,48,48*) ;; *) fail "no frame around the area: $frame" ;; esac

probe close "$RECORDER"
wait_until 60 "the recorder's end" window_gone "$RECORDER"
echo "screen scenario: passed"
