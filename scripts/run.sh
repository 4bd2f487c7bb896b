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
exec "$WINE_DIR/wine64" "$BUILD/bin/barsmith.exe"
