#!/bin/sh
# Measures where the time of a whole-screen recording goes under Wine, on
# virtual screens of 1920 x 1080, 2560 x 1440 and 3840 x 2160, each showing
# an xterm over most of it that scrolls a line of text every 33 ms: the mean
# time per grab of each stage of the recording thread, the grabs, records and
# changed records per second, the process's processor share of one core, its
# peak private memory and the address space it took, read from /proc (build
# the chosen build first).
#   scripts/measure/measure_recording_stages.sh [SECONDS] [FRAMES_PER_SECOND]
# Defaults: 10 seconds at 30. SCREENS="1920x1080 ..." chooses the screens,
# AREA=640x480 records that part of the screen instead of the whole,
# BUILD=win32 measures the 32-bit build under the emulator, and BUSY=N runs N
# busy processes beside the recording.
set -eu

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
. "$ROOT/scripts/env.sh"
: "${BUILD:=win64}"
: "${SCREENS:=1920x1080 2560x1440 3840x2160}"
: "${BUSY:=0}"
SIZED_WINE=$BUILD
. "$ROOT/scripts/sized_screen.sh"
seconds=${1:-10}
rate=${2:-30}

cmake --build "$BUILD_DIR/$BUILD" --target measure_recording_stages >/dev/null
program=$BUILD_DIR/$BUILD/bench/win32/measure_recording_stages.exe
prefix=$WINEPREFIX
[ "$BUILD" != win32 ] || prefix=$WINEPREFIX32
run() {
    if [ "$BUILD" = win32 ]; then sh "$ROOT/scripts/wine32.sh" "$@"; else "$WINE" "$@"; fi
}

xterm_pid="" busy_pids="" sampler_pid=""
end_helpers() {
    for pid in $xterm_pid $busy_pids $sampler_pid; do kill "$pid" 2>/dev/null || true; done
    xterm_pid="" busy_pids="" sampler_pid=""
}
trap 'end_helpers; stop_sized_screen' EXIT

# The measuring program's process: of the processes of this prefix whose
# command line names it (the emulated build has wrappers around it), the one
# that holds the most memory.
program_pid() {
    best="" best_rss=0
    for pid in $(pgrep -f 'measure_recording_stages\.exe' || true); do
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$prefix" || continue
        rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status" 2>/dev/null || echo 0)
        if [ "${rss:-0}" -gt "$best_rss" ]; then best=$pid best_rss=$rss; fi
    done
    echo "$best"
}

# User and system time of every thread of the process, in clock ticks.
cpu_ticks() {
    awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0
}

# Private (anonymous) resident memory and address space of the process in
# KiB, on one line.
memory_kib() {
    awk '/^RssAnon:/ { r = $2 } /^VmSize:/ { v = $2 } END { print r + 0, v + 0 }' \
        "/proc/$1/status" 2>/dev/null || echo 0 0
}

for screen in $SCREENS; do
    start_sized_screen "$screen"
    width=${screen%x*} height=${screen#*x}
    # The default font's cells are 6 x 13 pixels.
    xterm -geometry $((width / 6 - 4))x$((height / 13 - 4))+0+0 -e sh -c '
        i=0
        while :; do
            printf "%06d  [build] compiling engine/module_%02d.cpp -> obj/module_%02d.o" \
                $i $((i % 97)) $((i % 89))
            printf "  flags=-O2 -Wall  status=ok\n"
            i=$((i + 1))
            sleep 0.033
        done' 2>/dev/null &
    xterm_pid=$!
    sleep 2
    i=0
    while [ "$i" -lt "$BUSY" ]; do
        sh -c 'while :; do :; done' &
        busy_pids="$busy_pids $!"
        i=$((i + 1))
    done
    samples=$(mktemp)
    echo "stages: screen $screen, build $BUILD, $BUSY busy processes beside it"
    run "$program" "$seconds" "$rate" ${AREA:-} | while IFS= read -r line; do
        line=$(printf '%s' "$line" | tr -d '\r')
        case $line in
        "stages: ready")
            pid=$(program_pid)
            idle=$(memory_kib "${pid:-0}")
            (while kill -0 "${pid:-0}" 2>/dev/null; do memory_kib "$pid"; sleep 0.25; done \
                >"$samples") &
            sampler_pid=$! ;;
        "stages: measuring")
            before=$(cpu_ticks "${pid:-0}")
            started=$(date +%s.%N) ;;
        "stages: measured")
            after=$(cpu_ticks "${pid:-0}")
            ended=$(date +%s.%N)
            awk -v t="$((after - before))" -v hz="$(getconf CLK_TCK)" \
                -v s="$started" -v e="$ended" \
                'BEGIN { printf "stages: process CPU %.1f%% of one processor by /proc\n",
                         100 * t / hz / (e - s) }' ;;
        *)
            echo "$line" ;;
        esac
        case $line in "stages: surfaces"*)
            # The emulator holds the 32-bit program's whole address space
            # from its start: only the 64-bit build's tells what was taken.
            awk -v idle="${idle:-0 0}" -v emulated="$([ "$BUILD" = win32 ] && echo 1 || echo 0)" '
                { if ($1 > r) r = $1; if ($2 > v) v = $2 }
                END { split(idle, i, " ")
                      printf "stages: peak private memory %.1f MiB by /proc", r / 1024
                      printf " (%.1f MiB above the idle program)", (r - i[1]) / 1024
                      if (!emulated)
                          printf ", peak address space %.1f MiB above it", (v - i[2]) / 1024
                      printf "\n" }' \
                "$samples" ;;
        esac
    done
    rm -f "$samples"
    end_helpers
    stop_sized_screen
done
