#!/usr/bin/env bash
# wine_fps.sh -- frames per second of boxcity.exe under Wine against the
# Linux build (over sdl12-compat, and over the project's own SDL 1.2 layer),
# on the same virtual X server (1920x1080, openbox), taking turns so that
# all meet the same load. All three draw through the host's Mesa, whose HUD
# counts the buffer swaps (GALLIUM_HUD, written to files, hidden).
#
# usage: bench/wine_fps.sh [SECONDS] [ROUNDS]    (defaults 20 and 2)
# after scripts/setup and scripts/build-windows; run from the source folder.
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-20} rounds=${2:-2}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. tests/harness/e2e_wine.sh
wine_prefix "$PWD/build-windows/wineprefix"

cat >"$work/run.sh" <<'EOF'
set -u
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
sleep 1
# run NAME COMMAND...: the program for SECS seconds, its rate once a second
run() {
    local name=$1 dir=$work/$1.$round
    shift
    mkdir -p "$dir"
    (cd "$dir" && GALLIUM_HUD=fps GALLIUM_HUD_VISIBLE=false GALLIUM_HUD_PERIOD=1 \
        GALLIUM_HUD_DUMP_DIR=$dir exec "$@") &
    local pid=$!
    sleep "$secs"
    xdotool key Escape
    wait "$pid" || true
    wineserver -k 2>/dev/null || true
}
for ((round = 1; round <= rounds; round++)); do
    run linux "$linux"
    run layer "$layer"
    run wine wine "$exe"
done
kill "$wm"
EOF
work=$work secs=$secs rounds=$rounds linux=$PWD/build/boxcity layer=$PWD/build/sdl12/boxcity exe=$PWD/build-windows/boxcity.exe \
    xvfb-run -a -s "-screen 0 1920x1080x24" bash "$work/run.sh"

# Median of the once-a-second rates, the first five seconds (start-up) left out.
for name in linux layer wine; do
    for f in "$work"/$name.*/fps; do tail -n +6 "$f"; done | sort -n | awk -v n="$name" '
        { v[++c] = $1 }
        END {
            if (!c) { print n ": no samples"; exit }
            printf "%s: %.1f frames/s (median of %d one-second samples)\n", n, v[int((c + 1) / 2)], c
        }'
done
