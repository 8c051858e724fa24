# A virtual screen of a chosen size for one run, and a fresh Wine server on
# it: Wine takes the screen's size (and the prefix's DPI) when its server
# starts, so a server of another screen is ended first. Sourced, after
# env.sh; SIZED_WINE is win64 or win32, the build whose Wine is used.
#   start_sized_screen 2560x1440    sets DISPLAY and SIZED_XVFB_PID
#   stop_sized_screen               ends the screen and its Wine server
#   wine_server -k | -w             ends the build's Wine server, or waits for it
# The display is $XVFB_SIZED_DISPLAY when that is set, else the first free one.
: "${SIZED_WINE:=win64}"

# The Wine server of the build's prefix: -k ends it, -w waits until it has
# ended by itself, its registry saved, once its last program has ended.
wine_server() {
    if [ "$SIZED_WINE" = win32 ]; then
        sh "$ROOT/scripts/i386.sh" /usr/lib/wine/wineserver32 "$@" >/dev/null 2>&1 || true
    else
        "$WINESERVER" "$@" >/dev/null 2>&1 || true
    fi
}

restart_wine_server() {
    wine_server -k
    wine_server -w
}

start_sized_screen() {
    SIZED_XVFB_PID=""
    if [ -n "${XVFB_SIZED_DISPLAY:-}" ]; then
        Xvfb "$XVFB_SIZED_DISPLAY" -screen 0 "${1}x24" -nolisten tcp -noreset >/dev/null 2>&1 &
        SIZED_XVFB_PID=$!
        display=$XVFB_SIZED_DISPLAY
    else
        number_file=$(mktemp)
        Xvfb -displayfd 3 -screen 0 "${1}x24" -nolisten tcp -noreset 3>"$number_file" \
            >/dev/null 2>&1 &
        SIZED_XVFB_PID=$!
        tries=0
        until [ -s "$number_file" ] || [ $tries -gt 100 ]; do
            tries=$((tries + 1))
            sleep 0.1
        done
        display=:$(tr -d '\n' <"$number_file")
        rm -f "$number_file"
    fi
    tries=0
    until xdpyinfo -display "$display" >/dev/null 2>&1; do
        tries=$((tries + 1))
        if [ $tries -gt 100 ]; then
            echo "sized screen: the virtual screen $display of $1 did not start" >&2
            return 1
        fi
        sleep 0.1
    done
    restart_wine_server
    DISPLAY=$display
    export DISPLAY
}

stop_sized_screen() {
    restart_wine_server
    [ -z "${SIZED_XVFB_PID:-}" ] || kill "$SIZED_XVFB_PID" 2>/dev/null || true
    SIZED_XVFB_PID=""
}
