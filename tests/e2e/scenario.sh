#!/bin/sh
# A whole session with the real recorder, driven through X events as a person
# would drive it: record a window, pause, resume and stop it with the
# recording keys from the recorded window, check the file, play it, make a
# self-playing executable and start it, extract the video again, export it
# as an animated PNG, and record the whole screen. Every step waits on a condition (a window's title, the
# status line, a file) and leaves a screenshot in build/e2e/<build>/.
#   scenario.sh BUILD_FOLDER DECODER WINE_COMMAND
# BUILD_FOLDER is a Windows build (win64 or win32), DECODER the native
# video_last_frame tool, WINE_COMMAND what starts a program of that build.
set -eu

build=$1
decoder=$2
shift 2
zuvtool=$(dirname "$decoder")/../zuvtool/zuvtool
if [ ! -x "$decoder" ] || [ ! -x "$zuvtool" ]; then
    echo "scenario: no $decoder: build the native configuration first" >&2
    exit 1
fi
out=$(cd "$build/.." && pwd)/e2e/$(basename "$build")
rm -rf "$out"
mkdir -p "$out"
step=0

windows_path() { echo "Z:$1" | tr / '\\'; }
wine=$1
run_windows() { "$wine" "$@" >>"$out/wine.log" 2>&1; }
# The probe's answer, without the carriage returns of Windows lines.
probe() {
    answer=$("$wine" "$build/tests/e2e/e2e_probe.exe" "$@" 2>>"$out/wine.log") || return 1
    printf '%s\n' "$answer" | tr -d '\r'
}

shot() {
    step=$((step + 1))
    import -window root "$out/$(printf %02d $step)-$1.png"
}

fail() {
    echo "scenario: $*" >&2
    shot failed || true
    exit 1
}

# Runs a command every 0.2 s until it succeeds, for at most $1 seconds;
# fails when it never does.
within() {
    limit=$1
    shift
    start=$(date +%s)
    until "$@" >/dev/null 2>&1; do
        [ $(($(date +%s) - start)) -lt "$limit" ] || return 1
        sleep 0.2
    done
}
wait_until() {
    limit=$1
    what=$2
    shift 2
    within "$limit" "$@" || fail "timed out waiting for $what"
}

# The X window of the visible window whose title begins so.
x_window() {
    xdotool search --onlyvisible --name "^$(echo "$1" | sed 's/[][().*^$?+|{}\\]/\\&/g')" |
        head -1 | grep .
}
window_shown() { x_window "$1" >/dev/null; }
close() { probe close "$1" >/dev/null; }
window_gone() { ! x_window "$1" >/dev/null; }

# The centre of the rectangle a probe prints ("left top right bottom ...").
centre_of() { probe "$@" | awk '{ print int(($1 + $3) / 2), int(($2 + $4) / 2) }'; }
click_at() { xdotool mousemove $1 $2 click 1; }
click_control() { click_at $(centre_of control "$1" "$2"); }
control_text() { probe control "$1" "$2" | cut -d' ' -f5-; }
status_text() { probe child "$RECORDER" Static | cut -d' ' -f5-; }
status_says() { status_text | grep -q "$1"; }
text_says() { control_text "$1" "$2" | grep -q "$3"; }

# A search of X's windows fails when one of them goes away meanwhile, and a
# key typed while the focus still moves is lost: the focus is given again
# and the menu opened again until the menu is seen.
focus_once() {
    window=$(x_window "$1") && xdotool windowfocus --sync "$window"
}
focus() { wait_until 30 "the focus on $1" focus_once "$1"; }
open_menu() {
    focus_once "$RECORDER" && xdotool key alt+$1 && within 10 probe menu
}

# A command of the recorder's menu from the keyboard, as Alt and the
# underlined letters (menus of another process are not readable).
menu_command() {
    tries=1
    until open_menu "$1"; do
        [ $tries -lt 5 ] || fail "the recorder's menu did not open"
        tries=$((tries + 1))
        xdotool key Escape Escape
    done
    xdotool key $2
}

# The toolbar's first button, Capture.
click_toolbar_capture() {
    set -- $(probe child "$RECORDER" prog_tool)
    click_at $(($1 + 12)) $(($2 + 12))
}

# Escape, held down until the recording has stopped growing: across at least
# one frame, however slow the frames are.
stop_recording() {
    focus "$RECORDER"
    xdotool keydown Escape
    size=-1
    until [ "$size" = "$(stat -c %s "$1")" ]; do
        size=$(stat -c %s "$1")
        sleep 1.5
    done
    xdotool keyup Escape
}

# The file grows within a second and a half; has stopped growing.
grows() {
    size=$(stat -c %s "$1")
    sleep 1.5
    [ "$size" != "$(stat -c %s "$1")" ]
}
stopped() { ! grows "$1"; }

# Replaces the text of an edit field with the given one.
type_into() {
    click_control "$1" "$2"
    xdotool key End shift+Home
    xdotool type --delay 20 "$3"
}

# Answers a file dialog with a name.
answer_file_dialog() {
    wait_until 60 "the $1 dialog" window_shown "$1"
    shot "$1-dialog"
    focus "$1"
    xdotool type --delay 20 "$2"
    xdotool key Return
}

# The same rectangle of two pictures holds the same pixels.
same_pixels() {
    differing=$(compare -metric AE -extract "$3" "$1" "$2" null: 2>&1 || true)
    [ "$differing" = 0 ]
}

# Waits until the screen shows the picture at the given place.
screen_shows() {
    import -window root "$out/screen.png"
    convert "$out/screen.png" -crop "$2" +repage "$out/shown.png"
    differing=$(compare -metric AE "$1" "$out/shown.png" null: 2>&1 || true)
    [ "$differing" = 0 ]
}

# Where a width x height frame is drawn, unscaled and centred, in an area
# at LEFT TOP of WIDTH x HEIGHT pixels, as an ImageMagick crop geometry.
centred() {
    echo "${width}x${height}+$(($1 + ($3 - width + 1) / 2))+$(($2 + ($4 - height + 1) / 2))"
}

RECORDER="Morvane 1.0 (pre-release)"
TARGET="Morvane Test Target"
PLAYER="ZeVEVIZ Self-Playing Video"
xterm_pid=""
# Whatever happens, the programs started here end with the scenario.
end_programs() {
    [ -z "$xterm_pid" ] || kill "$xterm_pid" 2>/dev/null || true
    for title in "$PLAYER" "$TARGET" "$RECORDER"; do close "$title" || true; done
}
trap end_programs EXIT
capture=$out/capture.zuv

# The recorder, and the window to record far to its right.
run_windows "$build/tests/e2e/e2e_target.exe" 1500 60 "$(windows_path "$capture")" &
run_windows "$build/recorder/morvane.exe" &
wait_until 120 "the recorder" window_shown "$RECORDER"
wait_until 60 "the target window" window_shown "$TARGET"
shot started

# Capture from the toolbar's first button: a new file at 30 frames a second.
click_toolbar_capture
wait_until 60 "the capture settings" window_shown "Capture Settings"
type_into "Capture Settings" 1001 "$(windows_path "$capture")"
combo=$(probe control "Capture Settings" 1000)
click_at $(($(echo "$combo" | cut -d' ' -f3) - 8)) $(($(echo "$combo" | cut -d' ' -f2) + 10))
wait_until 30 "the frame rate list" probe item "Capture Settings" 1000 "30 fps (NTSC)"
click_at $(centre_of item "Capture Settings" 1000 "30 fps (NTSC)")
wait_until 30 "the chosen frame rate" text_says "Capture Settings" 1000 "30 fps (NTSC)"
shot settings
click_control "Capture Settings" 1

# Drag the locator onto the target window, then RECORD.
wait_until 60 "the locator" window_shown "Locate Window To Capture"
set -- $(centre_of control "Locate Window To Capture" 1003)
set -- "$@" $(probe window "$TARGET" | awk '{ print int(($5 + $7) / 2), int(($6 + $8) / 2) }')
xdotool mousemove $1 $2 mousedown 1
for part in 1 2 3 4; do
    xdotool mousemove $(($1 + ($3 - $1) * part / 4)) $(($2 + ($4 - $2) * part / 4))
    sleep 0.2
done
xdotool mouseup 1
wait_until 30 "the target named in the locator" \
    text_says "Locate Window To Capture" 1006 "$TARGET"
shot located
target=$(probe window "$TARGET")
click_control "Locate Window To Capture" 1

# About two seconds of recording; then the recording keys, pressed while the
# recorded window has the focus: F7 pauses (the file stops growing), F7
# resumes, F8 stops, and the file is a whole video.
wait_until 60 "the recording" status_says "Capturing"
shot recording
wait_until 120 "two recorded seconds" status_says "Capturing \[00:00:0[2-9]\]"
recording_key() {
    focus "$TARGET"
    xdotool key "$1"
}
recording_key F7
wait_until 30 "the pause" status_says "Paused (Capture) .*' - Paused: F7 resumes, F8 stops"
window_shown "$RECORDER - Paused" || fail "the recorder's title does not say it is paused"
shot paused
sleep 0.5
! grows "$capture" || fail "the recording grew while paused"
recording_key F7
wait_until 30 "the resumption" status_says "Capturing .*' - F7 pauses, F8 stops"
grows "$capture" || fail "the recording did not grow once resumed"
window_gone "$RECORDER - Paused" || fail "the recorder's title still says it is paused"
recording_key F8
wait_until 30 "the end of the recording" stopped "$capture"
shot recorded
"$zuvtool" check "$capture" >/dev/null || fail "the recording stopped by F8 is not a whole video"
# Back to the recorder as a person goes back: a click on its window. Where
# Wine places windows itself, a focus given from outside after another
# program's window had it did not reach the recorder's menu.
click_at $(centre_of window "$RECORDER")
set -- $target
width=$(($3 - $1)) height=$(($4 - $2))
client_width=$(($7 - $5)) client_height=$(($8 - $6))
client_in_frame=${client_width}x${client_height}+$(($5 - $1))+$(($6 - $2))
import -window root -crop "${client_width}x${client_height}+$5+$6" +repage "$out/target.png"

header=$("$decoder" "$capture" "$out/capture-last.ppm") || fail "the recording does not decode"
echo "scenario: $header"
echo "$header" | grep -q "^width $width height $height fps 30 " ||
    fail "the recording's header is not the target's size at 30 fps: $header"
convert "$out/capture-last.ppm" -crop "$client_in_frame" +repage "$out/capture-client.png"
same_pixels "$out/target.png" "$out/capture-client.png" "$client_width"x"$client_height"+0+0 ||
    fail "the last frame is not what the target showed"

# Load it: the recorder shows its last frame, centred above the status line.
menu_command f Return
answer_file_dialog Open "$(windows_path "$capture")"
set -- $(probe window "$RECORDER")
shown_at=$(centred $5 $6 $(($7 - $5)) $(($8 - $6 - 24)))
convert "$out/capture-last.ppm" "$out/capture-last.png"
wait_until 60 "the last frame in the recorder" screen_shows "$out/capture-last.png" "$shown_at"
shot played

# Make Self-Playing Video, start it and see the same frame.
exe=$out/selfplaying.exe
menu_command t m
answer_file_dialog "Save As" "$(windows_path "$exe")"
wait_until 120 "the finished executable" window_shown "EXE Created Successfully!"
shot built
xdotool key Return
run_windows "$exe" &
wait_until 120 "the self-playing video" window_shown "$PLAYER"
set -- $(probe window "$PLAYER")
shown_at=$(centred $5 $6 $(($7 - $5)) $(($8 - $6)))
wait_until 60 "the last frame in the player" screen_shows "$out/capture-last.png" "$shown_at"
shot self-playing
close "$PLAYER"

# Extract from it: the video comes out as the recording, byte for byte.
extracted=$out/extracted.zuv
menu_command t e
answer_file_dialog Open "$(windows_path "$exe")"
answer_file_dialog "Save As" "$(windows_path "$extracted")"
wait_until 120 "the extracted video" window_shown "ZeVEVIZ Created Successfully!"
shot extracted
xdotool key Return
cmp "$capture" "$extracted" || fail "the extracted video differs from the recording"

# Export as Animated PNG (the third item of Tools): another decoder, ffmpeg,
# shows the recording's last frame as the animation's last.
exported=$out/exported.png
menu_command t "Down Down Return"
answer_file_dialog "Save As" "$(windows_path "$exported")"
wait_until 120 "the finished export" window_shown "Export Done"
shot exported
xdotool key Return
ffmpeg -v error -i "$exported" -fps_mode passthrough "$out/exported-%04d.png" ||
    fail "the animated PNG does not decode"
same_pixels "$out/capture-last.png" "$(ls "$out"/exported-*.png | tail -1)" \
    "${width}x${height}+0+0" || fail "the animated PNG does not end with the last frame"

# The whole screen for about a second while an xterm shows a known text;
# where the screen did not change, the last frame is what X shows.
xterm -T morvane-e2e-text -geometry 60x8+1250+860 \
    -e sh -c 'echo "Morvane records this text."; exec sleep 600' &
xterm_pid=$!
wait_until 30 "the xterm" window_shown morvane-e2e-text
screen=$out/screen.zuv
click_toolbar_capture
wait_until 60 "the capture settings" window_shown "Capture Settings"
type_into "Capture Settings" 1001 "$(windows_path "$screen")"
click_control "Capture Settings" 1
wait_until 60 "the locator" window_shown "Locate Window To Capture"
click_control "Locate Window To Capture" 1004
wait_until 30 "the whole screen chosen" text_says "Locate Window To Capture" 1006 DESKTOP
click_control "Locate Window To Capture" 1
wait_until 60 "the recording" status_says "Capturing"
wait_until 120 "a recorded second" status_says "Capturing \[00:00:0[1-9]\]"
import -window root "$out/screen-grab.png"
stop_recording "$screen"
shot screen-recorded
header=$("$decoder" "$screen" "$out/screen-last.ppm") || fail "the screen recording does not decode"
echo "scenario: $header"
set -- $(xdpyinfo | awk '/dimensions:/ { sub("x", " ", $2); print $2 }')
echo "$header" | grep -q "^width $1 height $2 fps 30 " ||
    fail "the screen recording's header is not the screen's size at 30 fps: $header"
text_at=$(xwininfo -name morvane-e2e-text |
    awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
         /Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h "+" x "+" y }')
same_pixels "$out/screen-grab.png" "$out/screen-last.ppm" "$text_at" ||
    fail "the last frame of the screen recording differs from X around the xterm"

close "$RECORDER"
wait_until 60 "the recorder's end" window_gone "$RECORDER"
echo "scenario: passed"
