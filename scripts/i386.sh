#!/bin/sh
# Runs a command in the i386 root that scripts/setup.sh prepares, as a 32-bit
# Windows program sees the world: the root as the command's root folder, the
# checkout and the build folder at their own paths, the virtual screen of
# $XVFB_DISPLAY and the 32-bit Wine prefix. Every 32-bit program in it runs
# under qemu-i386 through the kernel's binfmt_misc registration. The mounts
# live in a mount namespace of the command's own and vanish with it.
#   scripts/i386.sh /usr/lib/wine/wine build/win32/recorder/morvane.exe
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/scripts/env.sh"

if [ ! -x "$I386_ROOT/usr/lib/wine/wine" ]; then
    echo "i386: no i386 root in $I386_ROOT: run scripts/setup.sh" >&2
    exit 2
fi
if [ -z "${DISPLAY:-}" ]; then
    . "$ROOT/scripts/xvfb.sh"
    trap '[ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null || true' EXIT
fi

# Wine of the root: its own server, the 32-bit prefix.
WINEPREFIX=$WINEPREFIX32
WINESERVER=/usr/lib/wine/wineserver32
export WINEPREFIX WINESERVER

unshare --mount --propagation private sh -eu -c '
    root=$1 checkout=$2 build=$3
    shift 3
    mount -t proc proc "$root/proc"
    mount --rbind /dev "$root/dev"
    mount --rbind /sys "$root/sys"
    mkdir -p "$root/tmp/.X11-unix" "$root$checkout" "$root$build"
    [ ! -d /tmp/.X11-unix ] || mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
    mount --bind "$checkout" "$root$checkout"
    case $build in "$checkout"/*) ;; *) mount --bind "$build" "$root$build" ;; esac
    exec chroot "$root" /bin/sh -c "cd \"\$0\" 2>/dev/null || cd /; exec \"\$@\"" "$PWD" "$@"
' sh "$I386_ROOT" "$ROOT" "$BUILD_DIR" "$@"
