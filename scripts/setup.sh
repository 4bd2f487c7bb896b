#!/usr/bin/env bash
# Sourced by run.sh and test.sh: installs what is missing on a Debian machine,
# then configures and builds Barsmith in ./build.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${BARSMITH_BUILD_DIR:-$ROOT/build}"
WINE_DIR=/usr/lib/wine
# fonts-wine: Wine's own fonts (Tahoma and the rest), so that the program looks
# as it does on Windows rather than in whatever fonts Linux substitutes.
# fp-utils: chmcmd, the help compiler; wixl: the MSI maker.
PACKAGES=(cmake make g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64 fonts-wine xvfb xauth fp-utils
          wixl googletest)

install_missing() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

build() {
    mkdir -p "$BUILD"
    # One build at a time in a build tree, even when several shells share it.
    exec 8>"$BUILD/.build.lock"
    flock 8
    cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
          -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
    cmake --build "$BUILD" -j"$(nproc)"
    flock -u 8
}

install_missing
