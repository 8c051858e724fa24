#!/bin/sh
# Runs ctest in one built configuration (native, native-san, win64 or win32),
# inside the virtual screen for the Windows tests: scripts/ctest.sh win64 -R player
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/scripts/env.sh"
config=$1
shift
case $config in win64 | win32)
    . "$ROOT/scripts/xvfb.sh"
    trap '[ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null || true' EXIT
    set -- -j1 "$@" ;;
esac
ctest --test-dir "$BUILD_DIR/$config" --output-on-failure "$@"
