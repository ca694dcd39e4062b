#!/usr/bin/env bash
# wine_monitors_fps.sh -- frames per second of boxcity.scr /s under Wine on
# two monitors against one: the two-monitor server of tests/harness/xserver_run.sh
# (1280x1024 and 1024x768), its second monitor switched off and on between
# runs, so that both meet the same server and load. Mesa's HUD counts the
# buffer swaps (GALLIUM_HUD, written to files, hidden); with two monitors
# every frame is swapped once in each window, so the frame rate is half the
# swaps.
#
# usage: bench/wine_monitors_fps.sh [SECONDS] [ROUNDS]    (defaults 20 and 2)
# after scripts/setup and scripts/build-windows; run from the source folder.
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-20} rounds=${2:-2}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. tests/harness/e2e_wine.sh
wine_prefix "$PWD/build-windows/wineprefix"

cat >"$work/run.sh" <<'INNER'
set -u
# run NAME: /s for SECS seconds, its swap rate once a second
run() {
    local dir=$work/$1.$round
    mkdir -p "$dir"
    xrandr >/dev/null                 # the outputs as they are now (see xserver_run.sh)
    (cd "$dir" && GALLIUM_HUD=fps GALLIUM_HUD_VISIBLE=false GALLIUM_HUD_PERIOD=1 \
        GALLIUM_HUD_DUMP_DIR=$dir exec wine "$scr" /s) &
    local pid=$!
    sleep "$secs"
    xdotool key space
    wait "$pid" || true
    wineserver -k 2>/dev/null || true
}
read -r _ second <<<"$XORG_TWO_MONITORS"
for ((round = 1; round <= rounds; round++)); do
    xrandr --output DUMMY1 --off
    run one
    xrandr --output DUMMY1 --mode "${second%%+*}_boxcity" --right-of DUMMY0
    run two
done
INNER
work=$work secs=$secs rounds=$rounds scr=$PWD/build-windows/boxcity.scr \
    tests/harness/xserver_run.sh --two-monitors bash "$work/run.sh"

# Median of the once-a-second rates, the first five seconds (start-up) left out.
for name in one two; do
    per=1
    [ "$name" = two ] && per=2
    for f in "$work"/$name.*/fps; do tail -n +6 "$f"; done | sort -n | awk -v n="$name" -v per="$per" '
        { v[++c] = $1 / per }
        END {
            if (!c) { print n ": no samples"; exit }
            printf "%s monitor(s): %.1f frames/s (median of %d one-second samples)\n", n, v[int((c + 1) / 2)], c
        }'
done
