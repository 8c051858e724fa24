#!/bin/sh
# Measures the player that every self-playing executable carries: the size
# of the 32-bit selfplayer.exe against its 102,400-byte budget, split into
# code and resources, and the size of a self-playing executable made from a
# 10-second recording (recorded and assembled under Wine) against the
# recording's own size.
#   scripts/measure/measure_self_playing.sh
set -eu

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
. "$ROOT/scripts/env.sh"

sh "$ROOT/scripts/build.sh" win32 >/dev/null
cmake --build "$BUILD_DIR/win64" --target measure_self_playing >/dev/null
player="$BUILD_DIR/win32/player/selfplayer.exe"

echo "selfplayer.exe (32-bit): $(stat -c %s "$player") bytes of at most 102400"
# Section sizes in the file; .rsrc holds the resources, the rest is code,
# data and import tables.
code=0
resources=0
i686-w64-mingw32-objdump -h "$player" | while read -r index name size rest; do
    case $name in .*) ;; *) continue ;; esac
    printf "  %-9s %6d\n" "$name" "$((0x$size))"
done
for size in $(i686-w64-mingw32-objdump -h "$player" | awk '$2 == ".rsrc" { print $3 }'); do
    resources=$((resources + 0x$size))
done
for size in $(i686-w64-mingw32-objdump -h "$player" | awk '$2 ~ /^\./ && $2 != ".rsrc" && $2 != ".bss" { print $3 }'); do
    code=$((code + 0x$size))
done
echo "  code, data and tables $code bytes; resources $resources bytes"

out="$BUILD_DIR/measure_self_playing"
rm -rf "$out"
mkdir -p "$out"
. "$ROOT/scripts/xvfb.sh"
trap '[ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null || true' EXIT
"$WINE" "$BUILD_DIR/win64/bench/win32/measure_self_playing.exe" "Z:$player" "Z:$out"
