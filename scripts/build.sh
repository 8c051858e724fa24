#!/bin/sh
# Configures and builds every configuration in $BUILD_DIR:
#   native      the portable core, its tests, benchmarks and tools (g++)
#   native-san  the same tests under AddressSanitizer and UBSan, and the
#               fuzz targets (clang)
#   win64       the Windows programs and their tests, run under Wine
#   win32       the 32-bit deliverables, morvane.exe and selfplayer.exe, and
#               the same Windows tests, run under the emulated 32-bit Wine
# Pass configuration names to build only those.
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/scripts/env.sh"

configure() {
    dir="$BUILD_DIR/$1"
    shift
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    fi
}

build() {
    echo "build: $1"
    cmake --build "$BUILD_DIR/$1" ${2:+--target $2}
}

CONFIGS=${*:-"native native-san win64 win32"}
for config in $CONFIGS; do
    case $config in
    native)
        configure native -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc
        build native ;;
    native-san)
        configure native-san -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
            -DMORVANE_SANITIZE=ON -DMORVANE_FUZZ=ON
        build native-san ;;
    win64)
        configure win64 -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-x86_64.cmake"
        build win64 ;;
    win32)
        configure win32 -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" \
            -DCMAKE_BUILD_TYPE=MinSizeRel
        build win32 ;;
    *)
        echo "build: unknown configuration $config" >&2
        exit 2 ;;
    esac
done
