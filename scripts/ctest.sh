#!/bin/sh
# Runs ctest in one built configuration (native, native-san or win64), inside
# the virtual screen for the Windows tests: scripts/ctest.sh win64 -R player
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/scripts/env.sh"
config=$1
shift
if [ "$config" = win64 ]; then
    . "$ROOT/scripts/xvfb.sh"
    trap '[ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null || true' EXIT
    set -- -j1 "$@"
fi
ctest --test-dir "$BUILD_DIR/$config" --output-on-failure "$@"
