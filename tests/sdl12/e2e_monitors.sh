#!/usr/bin/env bash
# e2e_monitors.sh -- a screensaver's full-screen run on every monitor, on the
# two-monitor server of xserver_run.sh --two-monitors, the desktop painted a colour first:
# both monitors show the city letterboxed to their shape and the colour
# nowhere; then the user comes back and it ends with status 0.
#
# Usage: e2e_monitors.sh SCENARIO PROGRAM [ARG...]
#   key     a key pressed with the pointer over the second monitor
#   mouse   the pointer moved across the second monitor
#   black   a driver without framebuffer objects (Mesa told to hide them):
#           the second monitor is covered in black, the primary shows the
#           city; a key ends it
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../harness/e2e_lib.sh"

scenario=$1
shift
E2E_TAG=$scenario
[ -n "${XORG_TWO_MONITORS:-}" ] || fail "not on the two-monitor server (xserver_run.sh --two-monitors)"
read -r _ second <<<"$XORG_TWO_MONITORS"
x2=${second#*+} x2=${x2%%+*}       # where the second monitor begins

desktop='#ff00ff'
xsetroot -solid "$desktop" || fail "could not paint the desktop"
xdotool mousemove $((x2 + 300)) 300   # where the user left the pointer
[ "$scenario" = black ] &&
    export MESA_EXTENSION_OVERRIDE="-GL_ARB_framebuffer_object -GL_EXT_framebuffer_object"
"$@" &
pid=$!
if [ "$scenario" = black ]; then
    shot=$e2e_short/monitors.png end=$((SECONDS + 90)) primary= second=
    while :; do
        alive || fail "ended on its own"
        [ "$SECONDS" -lt "$end" ] || fail "second monitor not black: $second, primary: $primary"
        sleep 1
        import -window root "$shot" 2>/dev/null || continue
        read -r _ primary <<<"$(monitor_pixels "$shot" "${XORG_TWO_MONITORS%% *}" FF00FF)"
        second=$(monitor_pixels "$shot" "${XORG_TWO_MONITORS##* }" FF00FF)
        read -r _ lit _ _ <<<"$second"
        [ "${primary%% *}" -gt 0 ] && [ "$lit" -eq 0 ] && break
    done
else
    wait_monitors "$desktop" "$e2e_short/monitors.png"
fi
[ -n "${BOXCITY_MONITORS_SHOT:-}" ] && cp "$e2e_short/monitors.png" "$BOXCITY_MONITORS_SHOT"
sleep 1
alive || fail "ended with no input"
case $scenario in
key | black) xdotool key space 2>/dev/null ;;
mouse) for x in 320 360 420; do xdotool mousemove $((x2 + x)) 320; sleep 0.1; done ;;
*) fail "unknown scenario" ;;
esac
wait_exit 30
[ "$status" -eq 0 ] || fail "exit status $status, expected 0"
echo "ok [$scenario]"
