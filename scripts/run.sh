#!/usr/bin/env bash
# Installs what is missing, builds, and starts Barsmith under Wine on your display,
# in your own Wine prefix (or $WINEPREFIX), so that a browser in that prefix sees
# the buttons it creates.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
build -DBARSMITH_BUILD_TESTS=OFF
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
# Wine's own fixme and err lines are for Wine's developers; set WINEDEBUG to see them.
export WINEDEBUG="${WINEDEBUG:--all}"

# Wine makes a missing prefix on first use and prints its own progress while it
# does; made here first, only a failure shows its lines.
prefix="${WINEPREFIX:-$HOME/.wine}"
if [ ! -f "$prefix/system.reg" ]; then
    echo "Preparing the Wine prefix in $prefix, once; this takes a minute"
    log="$(mktemp)"
    if ! "$WINE_DIR/wine64" wineboot --init >"$log" 2>&1; then
        cat "$log" >&2
        rm -f "$log"
        exit 1
    fi
    rm -f "$log"
fi
exec "$WINE_DIR/wine64" "$BUILD/bin/barsmith.exe"
