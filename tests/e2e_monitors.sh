#!/usr/bin/env bash
# e2e_monitors.sh -- a screensaver's full-screen run on every monitor, on the
# two-monitor server of xorg_two_run.sh, the desktop painted a colour first:
# both monitors show the city letterboxed to their shape and the colour
# nowhere; then the user comes back and it ends with status 0.
#
# Usage: e2e_monitors.sh SCENARIO PROGRAM [ARG...]
#   key     a key pressed with the pointer over the second monitor
#   mouse   the pointer moved across the second monitor
set -u
. "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"

scenario=$1
shift
E2E_TAG=$scenario
[ -n "${XORG_TWO_MONITORS:-}" ] || fail "not on the two-monitor server (xorg_two_run.sh)"
read -r _ second <<<"$XORG_TWO_MONITORS"
x2=${second#*+} x2=${x2%%+*}       # where the second monitor begins

desktop='#ff00ff'
xsetroot -solid "$desktop" || fail "could not paint the desktop"
xdotool mousemove $((x2 + 300)) 300   # where the user left the pointer
"$@" &
pid=$!
wait_monitors "$desktop" "$e2e_short/monitors.png"
[ -n "${BOXCITY_MONITORS_SHOT:-}" ] && cp "$e2e_short/monitors.png" "$BOXCITY_MONITORS_SHOT"
sleep 1
alive || fail "ended with no input"
case $scenario in
key) xdotool key space 2>/dev/null ;;
mouse) for x in 320 360 420; do xdotool mousemove $((x2 + x)) 320; sleep 0.1; done ;;
*) fail "unknown scenario" ;;
esac
wait_exit 30
[ "$status" -eq 0 ] || fail "exit status $status, expected 0"
echo "ok [$scenario]"
