#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite under Wine in
# a virtual X display. Tests use a Wine prefix inside the build tree only.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
build -DBARSMITH_BUILD_TESTS=ON
exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$ROOT/scripts/run-tests-in-display.sh" "$BUILD" -j"$(nproc)"
