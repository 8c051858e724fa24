# Shared environment of the project scripts; sourced, not run.
# Every variable may be set beforehand, so that two builds can run side by
# side with their own build folder, Wine prefix and virtual display.
: "${BUILD_DIR:=$ROOT/build}"
: "${WINEPREFIX:=$BUILD_DIR/wineprefix}"
: "${WINEDEBUG:=-all}"
# No Mono or Gecko install prompt; a crashing test ends at once instead of
# waiting in the automatic debugger.
: "${WINEDLLOVERRIDES:=mscoree,mshtml=;winedbg.exe=d}"
: "${XVFB_DISPLAY:=:91}"
: "${XVFB_SCREEN:=1920x1200x24}"
# The Windows tests run the 64-bit build of the programs under the 64-bit Wine
# loader: these machines' kernels do not execute 32-bit x86 code, so a 32-bit
# Wine cannot start. The 32-bit deliverables are built from the same sources.
: "${WINE:=/usr/lib/wine/wine64}"
: "${WINESERVER:=/usr/lib/wine/wineserver64}"
export BUILD_DIR WINEPREFIX WINEDEBUG WINEDLLOVERRIDES XVFB_DISPLAY XVFB_SCREEN WINE WINESERVER
