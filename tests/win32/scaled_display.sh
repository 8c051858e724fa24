#!/bin/sh
# The scaled-display test at 144 and 192 DPI (150 % and 200 %): for each, the
# Wine prefix's DPI is set and its server started afresh, the X pointer is put
# at a known place, and the test is told that place and the X screen's size.
# The prefix's DPI is put back afterwards, whatever happens.
#   scaled_display.sh SOURCE_ROOT BUILD_FOLDER win64|win32 WINE_COMMAND...
set -eu

ROOT=$1 build=$2 SIZED_WINE=$3
shift 3
. "$ROOT/scripts/env.sh"
. "$ROOT/scripts/sized_screen.sh"
programs=$build/tests/win32
saved=$programs/prefix_dpi.saved
windows_path() { echo "Z:$1" | tr / '\\'; }

restore() {
    [ -f "$saved" ] || return 0
    "$@" "$programs/prefix_dpi.exe" restore "$(windows_path "$saved")"
    wine_server -w
}
trap 'restore "$@"' EXIT
rm -f "$saved"

screen=$(xdpyinfo | awk '/dimensions:/ { print $2 }')
pointer_x=700 pointer_y=500
failed=0
for dpi in 144 192; do
    echo "scaled display: $dpi DPI on a $screen screen"
    wine_server -w
    "$@" "$programs/prefix_dpi.exe" set "$dpi" "$(windows_path "$saved")"
    wine_server -w
    xdotool mousemove "$pointer_x" "$pointer_y"
    MORVANE_TEST_DPI=$dpi MORVANE_TEST_SCREEN=$screen MORVANE_TEST_POINTER=$pointer_x,$pointer_y \
        "$@" "$programs/scaled_display_tests.exe" || failed=1
done
exit $failed
