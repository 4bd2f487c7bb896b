#!/usr/bin/env bash
# Times Barsmith's command line and its My Buttons view with 1,000 and 10,000
# machine-wide buttons and prints the table:
#   bash bench/scale.sh [build-dir] [--keep-prefix]
# It builds barsmith.exe and scale_bench.exe and makes a throwaway Wine prefix
# for each number of buttons (<build-dir>/bench-prefix/<number>), each with one
# wineserver for the run. The two sizes take turns command by command, so that
# a change of the machine's load weighs on both alike. The prefixes are removed
# at the end; --keep-prefix leaves them for a look by hand.
# Everything runs on one CPU (BARSMITH_SCALE_CPU, 0 unless set): every registry
# call is a round trip to the wineserver, and on a virtual machine where waking
# a process on another CPU is slow, the same command took anything from 2.4 to
# 10.6 s with the CPUs mostly idle, against 2.8 to 3.1 s on one CPU.
# BARSMITH_SCALE_SIZES="100 1000" times other numbers of buttons,
# BARSMITH_SCALE_ROUNDS=3 runs every command three times rather than five,
# BARSMITH_SCALE_COMMANDS="window" times only the commands named.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
KEEP=""
BUILD="$ROOT/build"
for arg in "$@"; do
    case "$arg" in
    --keep-prefix) KEEP="--keep-prefix" ;;
    *) BUILD="$arg" ;;
    esac
done
mkdir -p "$BUILD"
BUILD="$(cd "$BUILD" && pwd)"
SIZES="${BARSMITH_SCALE_SIZES:-1000 10000}"
ROUNDS="${BARSMITH_SCALE_ROUNDS:-5}"

if [ -z "${BARSMITH_SCALE_IN_DISPLAY:-}" ]; then
    # An existing build tree keeps its options; a new one needs neither tests nor help.
    if [ -f "$BUILD/CMakeCache.txt" ]; then
        cmake "$BUILD" >/dev/null
    else
        cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
              -DCMAKE_BUILD_TYPE=Release -DBARSMITH_BUILD_TESTS=OFF -DBARSMITH_BUILD_HELP=OFF >/dev/null
    fi
    nice -n 10 cmake --build "$BUILD" -j"$(nproc)" --target barsmith scale_bench >/dev/null
    BARSMITH_SCALE_IN_DISPLAY=1 exec taskset -c "${BARSMITH_SCALE_CPU:-0}" \
        xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$BUILD" $KEEP
fi

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export PATH="/usr/lib/wine:$PATH"
PREFIXES="$BUILD/bench-prefix"
MARK=.barsmith-scale-bench   # scale_bench.exe fills only a prefix that holds it
FIGURES="$BUILD/bench-scale-figures.txt"
TABLE="$BUILD/bench-scale.txt"

in_prefix() { WINEPREFIX="$PREFIXES/$1" "${@:2}"; }
bench() { (cd "$BUILD/bin" && in_prefix "$1" wine64 scale_bench.exe "${@:2}" | tr -d '\r'); }
stop_server() { in_prefix "$1" wineserver -k >/dev/null 2>&1 || true; in_prefix "$1" wineserver -w || true; }
# wineboot also starts Wine's services and desktop before the first timed program would.
start_server() { in_prefix "$1" wineserver -p; in_prefix "$1" wine64 wineboot >/dev/null 2>&1; }
load() { echo "load average $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc --all) CPUs, timed on CPU $(taskset -pc $$ | sed 's/.*: //')"; }
# Shown and kept with the table: the figures mean little without the load they were taken under.
note() { echo "$*" | tee -a "$TABLE"; }

remove_prefixes() {
    [ -e "$PREFIXES" ] || return 0
    for prefix in "$PREFIXES"/*; do
        [ -e "$prefix" ] || continue
        if [ ! -f "$prefix/$MARK" ]; then
            echo "$prefix was not made by this benchmark; move it away first." >&2
            exit 1
        fi
        stop_server "$(basename "$prefix")"
    done
    rm -rf "$PREFIXES"
}

finish() {
    for size in $SIZES; do
        if [ -d "$PREFIXES/$size" ]; then stop_server "$size"; fi
    done
    if [ -z "$KEEP" ]; then rm -rf "$PREFIXES"; else echo "The prefixes are kept in $PREFIXES"; fi
}

began=$SECONDS
rm -f "$TABLE"
note "Before: $(load)"
remove_prefixes
trap finish EXIT
first="${SIZES%% *}"
mkdir -p "$PREFIXES/$first"
touch "$PREFIXES/$first/$MARK"
in_prefix "$first" wineserver -p
in_prefix "$first" wine64 wineboot --init >/dev/null 2>&1
# Windows on Wine's own virtual desktop, as in the tests: without a window
# manager, Wine waits a second or two for every top-level window it destroys.
in_prefix "$first" wine64 reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
in_prefix "$first" wine64 reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1
stop_server "$first"
# The other sizes start from a whole copy: no hard links, which Wine would
# write its registry through into every copy alike.
for size in $SIZES; do [ -d "$PREFIXES/$size" ] || cp -a --reflink=auto "$PREFIXES/$first" "$PREFIXES/$size"; done
note "Prefixes made in $((SECONDS - began)) s"

declare -A started
for size in $SIZES; do
    in_prefix "$size" wineserver -p
    bench "$size" fill "$size" | tee -a "$TABLE"
    stop_server "$size"
    started[$size]=$(date +%s)
    start_server "$size"
done
# A wineserver saves the registry 30 s after a change, and wineboot changes it
# at every start: that save, the longer the more buttons there are, must not
# fall in a timing.
for size in $SIZES; do
    for _ in $(seq 40); do
        [ "$(stat -c %Y "$PREFIXES/$size/system.reg")" -gt "${started[$size]}" ] && break
        sleep 1
    done
done
note "Buttons written and saved after $((SECONDS - began)) s"

rm -f "$FIGURES"
figures_path="Z:${FIGURES//\//\\}"
for round in $(seq "$ROUNDS"); do
    note "Round $round of $ROUNDS: $(load)"
    for name in ${BARSMITH_SCALE_COMMANDS:-start list list-all reg-query export export-gpp export-msi check window}; do
        for size in $SIZES; do bench "$size" time "$size" "$figures_path" "$name"; done
    done
done
bench "$first" report "$figures_path" | tee -a "$TABLE"
note "After: $(load)"
note "The benchmark took $((SECONDS - began)) s; the table is in $TABLE"
