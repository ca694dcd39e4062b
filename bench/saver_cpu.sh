#!/usr/bin/env bash
# saver_cpu.sh -- what the frame limit saves: boxcity as the screensaver runs
# it (BOXCITY_SCREENSAVER=1) in a small lent window on a virtual X server, for
# SECONDS with each limit in turn (5, 10, 30, 60, none), and plain boxcity's pace
# for comparison; prints frames a second and the CPU seconds (user + system,
# every thread) it used per second.
#
# usage: bench/saver_cpu.sh [SECONDS] [SIZE]    (defaults 10 and 320x240)
# after a build in build/ (with its tests); run from the source folder.
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-10} size=${2:-320x240}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/run.sh" <<'SCRIPT'
set -u
coproc owner { build/tests/shell_xwindow "${size%x*}" "${size#*x}"; }
read -r window <&"${owner[0]}"
tick=$(getconf CLK_TCK)
# measure NAME VAR=VALUE...: frames and CPU of boxcity in the window
measure() {
    local name=$1 frames=$work/frames pid cpu0 cpu1 n0 n1 t0 t1
    shift
    rm -f "$frames"
    env "$@" SDL_WINDOWID="$window" SDL_VIDEO_FOREIGN_WINDOW_OPENGL=1 BOXCITY_FRAME_FILE="$frames" \
        LD_PRELOAD="$PWD/build/tests/libboxcity-framecount.so" build/boxcity &
    pid=$!
    until [ -s "$frames" ]; do sleep 0.2; done
    sleep 2
    cpu0=$(awk '{ print $14 + $15 }' "/proc/$pid/stat") n0=$(tr -dc 0-9 <"$frames") t0=$(date +%s.%N)
    sleep "$secs"
    cpu1=$(awk '{ print $14 + $15 }' "/proc/$pid/stat") n1=$(tr -dc 0-9 <"$frames") t1=$(date +%s.%N)
    kill -TERM "$pid"
    wait "$pid" || true
    awk -v name="$name" -v n=$((n1 - n0)) -v c=$((cpu1 - cpu0)) -v tick="$tick" -v a="$t0" -v b="$t1" \
        'BEGIN { s = b - a; printf "%-22s %7.1f frames/s %6.3f CPU s/s\n", name, n / s, c / tick / s }'
}
measure "max-fps 5" BOXCITY_SCREENSAVER=1 BOXCITY_MAX_FPS=5
measure "max-fps 10" BOXCITY_SCREENSAVER=1 BOXCITY_MAX_FPS=10
measure "max-fps 30" BOXCITY_SCREENSAVER=1 BOXCITY_MAX_FPS=30
measure "max-fps 60 (default)" BOXCITY_SCREENSAVER=1
measure "max-fps 0 (no limit)" BOXCITY_SCREENSAVER=1 BOXCITY_MAX_FPS=0
measure "plain boxcity" BOXCITY_RESOLUTION="$size"
kill "$owner_PID"
SCRIPT
echo "boxcity in a $size window, $secs s each ($(nproc) cores):"
work=$work secs=$secs size=$size tests/harness/xserver_run.sh -a -s "-screen 0 1024x768x24" bash "$work/run.sh"
