# Shared environment of the project scripts; sourced, not run.
# Every variable may be set beforehand, so that two builds can run side by
# side with their own build folder, Wine prefix and virtual display.
: "${BUILD_DIR:=$ROOT/build}"
: "${WINEPREFIX:=$BUILD_DIR/wineprefix}"
: "${WINEDEBUG:=-all}"
# Wine names Unix files in the locale's character set: without UTF-8, a
# Windows name beyond ASCII has no Unix name at all.
LC_ALL=C.UTF-8
# No Mono or Gecko install prompt; a crashing test ends at once instead of
# waiting in the automatic debugger.
: "${WINEDLLOVERRIDES:=mscoree,mshtml=;winedbg.exe=d}"
: "${XVFB_DISPLAY:=:91}"
: "${XVFB_SCREEN:=1920x1200x24}"
# The 64-bit build of the programs runs under the host's 64-bit Wine loader.
: "${WINE:=/usr/lib/wine/wine64}"
: "${WINESERVER:=/usr/lib/wine/wineserver64}"
# The 32-bit build runs under Debian's 32-bit Wine in an i386 root, emulated by
# qemu-i386 (these machines' kernels execute no 32-bit x86 code), with a prefix
# of its own; WINE32 runs a Windows program there (scripts/i386.sh).
: "${I386_ROOT:=$BUILD_DIR/i386root}"
: "${WINEPREFIX32:=$BUILD_DIR/wineprefix32}"
: "${WINE32:=$ROOT/scripts/wine32.sh}"
export LC_ALL BUILD_DIR WINEPREFIX WINEDEBUG WINEDLLOVERRIDES XVFB_DISPLAY XVFB_SCREEN WINE WINESERVER
export I386_ROOT WINEPREFIX32 WINE32
