#!/bin/sh
# Installs the build and test tools from Debian's packages and prepares the
# project-local Wine prefixes and the emulated i386 root the 32-bit programs
# run in (scripts/i386.sh). Safe to run again: it only does what is missing.
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/scripts/env.sh"

# Wine draws the caption buttons of every window (minimise, maximise, close)
# with a symbol font of its own (fonts-wine), left out with the recommended
# packages; Xorg's dummy driver makes the two-monitor test bench.
PACKAGES="g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
wine64 libwine xvfb xauth x11-utils imagemagick cmake ninja-build googletest
clang libclang-rt-14-dev libbenchmark-dev liblz4-dev zlib1g-dev zstd python3
mmdebstrap arch-test xdotool xterm libz-mingw-w64-dev python3-pil ffmpeg fonts-wine
xserver-xorg-core xserver-xorg-video-dummy"
# Debian 12's own qemu-i386 (7.2) is too slow to start Wine and crashes while
# it prepares a prefix; the backports suite has a recent one.
BACKPORTS_PACKAGES="qemu-user-static"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

missing_backports=""
for p in $BACKPORTS_PACKAGES; do
    if ! dpkg-query -W -f='${Status} ${Version}' "$p" 2>/dev/null | grep -q "installed .*bpo"; then
        missing_backports="$missing_backports $p"
    fi
done

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
if [ -n "$missing$missing_backports" ]; then
    echo "setup: installing$missing$missing_backports"
    export DEBIAN_FRONTEND=noninteractive
    if ! grep -rqs bookworm-backports /etc/apt/sources.list /etc/apt/sources.list.d/; then
        printf '%s\n' "Types: deb" "URIs: http://deb.debian.org/debian" \
            "Suites: bookworm-backports" "Components: main" \
            "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" |
            $SUDO tee /etc/apt/sources.list.d/bookworm-backports.sources >/dev/null
    fi
    $SUDO apt-get update -q
    [ -z "$missing" ] || $SUDO apt-get install -y -q --no-install-recommends $missing
    [ -z "$missing_backports" ] ||
        $SUDO apt-get install -y -q --no-install-recommends -t bookworm-backports $missing_backports
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "setup: creating the Wine prefix in $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    "$WINE" wineboot -i >/dev/null 2>&1 || true
    "$WINESERVER" -w
fi
# 32-bit x86 programs start under qemu-i386. The F flag opens the emulator
# now, so that it also serves programs inside the i386 root.
binfmt=/proc/sys/fs/binfmt_misc
[ -f $binfmt/register ] || $SUDO mount -t binfmt_misc binfmt_misc $binfmt
if [ ! -f $binfmt/qemu-i386 ]; then
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    echo ":qemu-i386:M::$magic:$mask:/usr/libexec/qemu-binfmt/i386-binfmt-P:OPF" |
        $SUDO tee $binfmt/register >/dev/null
fi

# The i386 root with Debian's 32-bit Wine, made in a folder of its own first so
# that an interrupted run leaves no half root behind.
if [ ! -x "$I386_ROOT/usr/lib/wine/wine" ]; then
    echo "setup: making the i386 root in $I386_ROOT"
    rm -rf "$I386_ROOT.new"
    mirror=http://deb.debian.org/debian
    # RandR and Xinerama, which Wine only recommends, tell it the monitors.
    $SUDO mmdebstrap --arch=i386 --variant=essential --include=wine32,libxrandr2,libxinerama1 \
        --aptopt='APT::Install-Recommends "false"' bookworm "$I386_ROOT.new" \
        "deb $mirror bookworm main" "deb $mirror bookworm-updates main" \
        "deb http://deb.debian.org/debian-security bookworm-security main"
    rm -rf "$I386_ROOT"
    mv "$I386_ROOT.new" "$I386_ROOT"
fi
if [ ! -f "$WINEPREFIX32/system.reg" ]; then
    echo "setup: creating the 32-bit Wine prefix in $WINEPREFIX32"
    mkdir -p "$WINEPREFIX32"
    sh "$ROOT/scripts/i386.sh" sh -c '/usr/lib/wine/wine wineboot -i; $WINESERVER -w' \
        >/dev/null 2>&1 || true
fi
# Wine leaves window placement to a window manager and, when none answers,
# waits two seconds for one each time a window closes. The virtual screens have
# no window manager, so both prefixes place windows themselves.
X11_KEY='HKCU\Software\Wine\X11 Driver'
if ! grep -qs '"Managed"="N"' "$WINEPREFIX/user.reg"; then
    "$WINE" reg add "$X11_KEY" /v Managed /d N /f >/dev/null 2>&1
    "$WINESERVER" -w
fi
if ! grep -qs '"Managed"="N"' "$WINEPREFIX32/user.reg"; then
    sh "$ROOT/scripts/i386.sh" sh -c \
        '/usr/lib/wine/wine reg add "$0" /v Managed /d N /f; $WINESERVER -w' "$X11_KEY" \
        >/dev/null 2>&1 || true
fi
echo "setup: ready"
