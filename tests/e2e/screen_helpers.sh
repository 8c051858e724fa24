# Helpers of the scenarios that record parts of the screen through the
# recorder (screen_scenario.sh, two_monitors.sh), sourced after these are set:
# build (a Windows build folder), decoder (the native video_last_frame), wine
# (what starts a program of that build) and out (the folder for the files
# and screenshots).
RECORDER="Morvane 1.0 (pre-release)"
TARGET="Morvane Test Target"
LOCATOR="Locate Window To Capture"
SELECTOR="Select Area"
step=0

windows_path() { echo "Z:$1" | tr / '\\'; }
run_windows() { "$wine" "$@" >>"$out/wine.log" 2>&1; }
probe() {
    answer=$("$wine" "$build/tests/e2e/e2e_probe.exe" "$@" 2>>"$out/wine.log") || return 1
    printf '%s\n' "$answer" | tr -d '\r'
}
shot() {
    step=$((step + 1))
    import -window root "$out/$(printf %02d $step)-$1.png"
}
fail() {
    echo "$(basename "$0"): $*" >&2
    shot failed || true
    exit 1
}
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
    limit=$1 what=$2
    shift 2
    within "$limit" "$@" || fail "timed out waiting for $what"
}
x_window() {
    xdotool search --onlyvisible --name "^$(echo "$1" | sed 's/[][().*^$?+|{}\\]/\\&/g')" |
        head -1 | grep .
}
window_shown() { x_window "$1" >/dev/null; }
window_gone() { ! x_window "$1" >/dev/null; }
# The centre of what the probe finds, in X's coordinates: Windows' moved
# right by XSHIFT pixels (a monitor left of the primary).
XSHIFT=${XSHIFT:-0}
centre_of() {
    probe "$@" | awk -v s="$XSHIFT" '{ print int(($1 + $3) / 2) + s, int(($2 + $4) / 2) }'
}
click_at() { xdotool mousemove $1 $2 click 1; }
click_control() { click_at $(centre_of control "$1" "$2"); }
control_text() { probe control "$1" "$2" | cut -d' ' -f5-; }
text_says() { control_text "$1" "$2" | grep -q "$3"; }
status_says() { probe child "$RECORDER" Static | cut -d' ' -f5- | grep -q "$1"; }
focus_once() { window=$(x_window "$1") && xdotool windowfocus --sync "$window"; }
# Out of the way of every picture judged: X's grabs have no cursor.
park_pointer() { xdotool mousemove $PARK; }

# Capture from the toolbar's first button into FILE; the locator is then open.
start_capture() {
    set -- "$1" $(probe child "$RECORDER" prog_tool)
    click_at $(($2 + 12 + XSHIFT)) $(($3 + 12))
    wait_until 60 "the capture settings" window_shown "Capture Settings"
    click_control "Capture Settings" 1001
    xdotool key End shift+Home
    xdotool type --delay 20 "$(windows_path "$1")"
    click_control "Capture Settings" 1
    wait_until 60 "the locator" window_shown "$LOCATOR"
}

# RECORD, then until the status line shows a recorded second.
record() {
    click_control "$LOCATOR" 1
    park_pointer
    wait_until 60 "the recording" status_says "Capturing"
    wait_until 120 "a recorded second" status_says "Capturing \[00:00:0[1-9]\]"
}

# Escape, held down until the recording has stopped growing.
stop_recording() {
    wait_until 30 "the focus on the recorder" focus_once "$RECORDER"
    xdotool keydown Escape
    size=-1
    until [ "$size" = "$(stat -c %s "$1")" ]; do
        size=$(stat -c %s "$1")
        sleep 1.5
    done
    xdotool keyup Escape
    park_pointer
}

# The video's header line, its last frame written beside it as .ppm.
decode() {
    "$decoder" "$1" "${1%.zuv}.ppm" || fail "$1 does not decode"
}

# The pixels of rectangle GEOMETRY (WxH+X+Y) of picture $1 are those of
# rectangle $3 of picture $2 (at +0+0 when not given).
same_pixels() {
    convert "$1" -crop "$2" +repage "$out/a.png"
    convert "$3" -crop "${4:-${2%%+*}+0+0}" +repage "$out/b.png"
    differing=$(compare -metric AE "$out/a.png" "$out/b.png" null: 2>&1 || true)
    [ "$differing" = 0 ]
}
black() {
    convert "$1" -crop "$2" +repage -format "%[fx:maxima]" info: | grep -qx 0
}

# The selector, opened from the locator with Alt+A.
open_selector() {
    wait_until 30 "the focus on the locator" focus_once "$LOCATOR"
    xdotool key alt+a
    wait_until 60 "the area selector" window_shown "$SELECTOR"
    wait_until 30 "the focus on the selector" focus_once "$SELECTOR"
}
drag() {
    xdotool mousemove $1 $2 mousedown 1
    xdotool mousemove $((($1 + $3) / 2)) $((($2 + $4) / 2))
    sleep 0.2
    xdotool mousemove $3 $4
    sleep 0.2
    xdotool mouseup 1
}
