# Starts the virtual screen the Windows tests draw on, unless one already
# answers on $XVFB_DISPLAY; sourced. Sets DISPLAY and XVFB_PID (empty when an
# existing server is used).
XVFB_PID=""
if ! xdpyinfo -display "$XVFB_DISPLAY" >/dev/null 2>&1; then
    Xvfb "$XVFB_DISPLAY" -screen 0 "$XVFB_SCREEN" -nolisten tcp -noreset >/dev/null 2>&1 &
    XVFB_PID=$!
    tries=0
    until xdpyinfo -display "$XVFB_DISPLAY" >/dev/null 2>&1; do
        tries=$((tries + 1))
        if [ $tries -gt 100 ]; then
            echo "xvfb: the virtual screen $XVFB_DISPLAY did not start" >&2
            exit 1
        fi
        sleep 0.1
    done
fi
DISPLAY=$XVFB_DISPLAY
export DISPLAY
