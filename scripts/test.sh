#!/bin/sh
# Sets everything up, builds every configuration and runs every test: the
# native tests (plain, then under AddressSanitizer and UBSan), a bounded fuzz
# run, and the Windows tests under Wine inside one virtual screen, one test
# program at a time: the 64-bit build under the host's Wine, then the 32-bit
# build under the emulated 32-bit Wine. Exits non-zero when anything fails.
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/scripts/env.sh"

sh "$ROOT/scripts/setup.sh"
sh "$ROOT/scripts/build.sh"

. "$ROOT/scripts/xvfb.sh"
cleanup() {
    "$WINESERVER" -k >/dev/null 2>&1 || true
    sh "$ROOT/scripts/i386.sh" /usr/lib/wine/wineserver32 -k >/dev/null 2>&1 || true
    [ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT

failed=0
passed_total=0
failed_total=0
run_ctest() {
    name=$1
    shift
    echo "== $name"
    log="$BUILD_DIR/ctest-$name.log"
    if ctest --test-dir "$BUILD_DIR/$name" --output-on-failure "$@" 2>&1 | tee "$log"; then :; fi
    summary=$(grep -E "tests passed, [0-9]+ tests failed out of" "$log" | tail -1)
    if [ -z "$summary" ]; then
        echo "test: $name ran no test" >&2
        failed=1
        return
    fi
    total=$(echo "$summary" | sed -E 's/.* out of ([0-9]+).*/\1/')
    bad=$(echo "$summary" | sed -E 's/.* ([0-9]+) tests failed.*/\1/')
    passed_total=$((passed_total + total - bad))
    failed_total=$((failed_total + bad))
    [ "$bad" -eq 0 ] || failed=1
}

run_ctest native -j2
echo "== images"
python3 "$ROOT/tools/test_draw_images.py" || failed=1
run_ctest native-san -j2
if [ -x "$ROOT/scripts/fuzz.sh" ]; then
    echo "== fuzz"
    FUZZ_SECONDS=${FUZZ_SECONDS:-15} sh "$ROOT/scripts/fuzz.sh" || failed=1
fi
run_ctest win64 -j1 --timeout 300
# One Wine at a time on the shared screen.
"$WINESERVER" -k >/dev/null 2>&1 || true
run_ctest win32 -j1 --timeout 300

echo "tests: $passed_total passed, $failed_total failed"
exit $failed
