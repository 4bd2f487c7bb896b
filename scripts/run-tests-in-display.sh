#!/usr/bin/env bash
# Runs CTest with one persistent wineserver for the whole run, so that each test
# process starts in well under a second. Called by test.sh inside xvfb-run.
set -euo pipefail
BUILD="$(cd "$1" && pwd)"
export WINEPREFIX="$BUILD/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export PATH="/usr/lib/wine:$PATH"

mkdir -p "$WINEPREFIX"
# One test run at a time per prefix: a run ends by stopping the prefix's wineserver.
exec 9>"$BUILD/.wine.lock"
flock 9
wineserver -k >/dev/null 2>&1 || true   # a server left from an earlier run may lack our display
wineserver -p
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
if [ ! -f "$WINEPREFIX/.virtual-desktop" ]; then
    echo "Creating the test Wine prefix in $WINEPREFIX"
    wine64 wineboot --init >/dev/null 2>&1
    # Windows on Wine's own virtual desktop: without a window manager on the
    # X display, Wine waits a second or two for every top-level window it destroys.
    wine64 reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    wine64 reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1
    wineserver -k; wineserver -w; wineserver -p
    touch "$WINEPREFIX/.virtual-desktop"
fi
# wineboot also starts Wine's services and desktop now, with their output away
# from CTest's pipes: started by the first test instead, they would keep those
# pipes open and CTest would wait on them until its time-out.
wine64 wineboot >/dev/null 2>&1
cd "$BUILD"
ctest --output-on-failure "${@:2}"
