#!/usr/bin/env bash
# e2e_monitors.sh -- a screensaver's full-screen run on every monitor, on the
# two-monitor server (xserver_run.sh --two-monitors), the desktop painted a
# colour first:
# both monitors show the city letterboxed to their shape and the colour
# nowhere; then the user comes back, or a signal comes, and it ends with
# status 0.
#
# Usage: e2e_monitors.sh SCENARIO PROGRAM [ARG...]
#   key     a key pressed with the pointer over the second monitor
#   mouse   covered whole by another window it rests (at most 2 % of a core)
#           and draws again within a second of being uncovered; then the
#           pointer moved across the second monitor
#   xautolock  started by xautolock after its shortest wait (a minute), as
#           the README says; a click on the second monitor ends it
#   black   a driver without framebuffer objects (Mesa told to hide them),
#           under a window manager: the second monitor is covered in black,
#           the primary shows the city and keeps showing it when the black
#           window takes the focus; a window that covered the black one for
#           a while leaves nothing behind; a key ends it
#   sigterm, sighup  the signal ends it (an idle daemon's stop, a hang-up)
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
if [ "$scenario" = black ]; then
    export MESA_EXTENSION_OVERRIDE="-GL_ARB_framebuffer_object -GL_EXT_framebuffer_object"
    start_wm                          # it gives the focus to each new window
fi
if [ "$scenario" = xautolock ]; then
    # A name of its own, to tell it from the other tests' programs.
    ln -s "$(readlink -f "$1")" "$e2e_short/saver$$" && shift
    xautolock -time 1 -locker "$e2e_short/saver$$ $*; echo \$? >$e2e_short/status" \
        -nocloseout -nocloseerr &
    e2e_track $!
    started() { pid=$(pgrep -n -x "saver$$"); }
    wait_until 90 "xautolock did not start it" started
else
    "$@" &
    pid=$!
fi
if [ "$scenario" = black ]; then
    shot=$e2e_short/monitors.png
    # The primary shows the city (the clouds' grey) and the second is black.
    monitors_now() {
        alive || fail "ended on its own"
        import -window root "$shot" 2>/dev/null || return 1
        read -r _ _ grey _ <<<"$(monitor_pixels "$shot" "${XORG_TWO_MONITORS%% *}" FF00FF)"
        read -r _ lit _ _ <<<"$(monitor_pixels "$shot" "${XORG_TWO_MONITORS##* }" FF00FF)"
    }
    shown() { monitors_now && [ "$grey" -gt 0 ] && [ "$lit" -eq 0 ]; }
    wait_until 90 "no city on the primary, or the second monitor not black" shown
    # The black window takes the focus: the primary must not minimise.
    second_window=$(xdotool search --pid "$pid" 2>/dev/null | while read -r w; do
        xdotool getwindowgeometry "$w" | grep -q "Position: $x2,0 " && echo "$w"; done | head -n 1)
    [ -n "$second_window" ] || fail "no window on the second monitor"
    xdotool windowfocus "$second_window"
    sleep 1
    shown || fail "the primary no longer shows the city once the second monitor has the focus"
    # A window over the black one for a while (a notification): nothing of
    # it may stay once it is gone.
    xmessage -xrm '*overrideRedirect: true' -bg '#00ff00' -geometry 300x300+$((x2 + 500))+400 cover &
    cover=$!
    e2e_track "$cover"
    covered() { monitors_now && [ "$lit" -gt 0 ]; }
    wait_until 30 "the covering window never showed" covered
    sleep 1
    e2e_stop "$cover"
    wait_until 10 "what covered the second monitor stayed on it" shown
else
    wait_monitors "$desktop" "$e2e_short/monitors.png"
fi
[ -n "${BOXCITY_MONITORS_SHOT:-}" ] && cp "$e2e_short/monitors.png" "$BOXCITY_MONITORS_SHOT"
sleep 1
alive || fail "ended with no input"
if [ "$scenario" = mouse ]; then
    cpu() { awk '{print $14 + $15}' "/proc/$pid/stat"; }   # clock ticks, 100 a second
    read -r w h <<<"$(xdpyinfo | awk '/dimensions:/ { sub("x", " ", $2); print $2 }')"
    xmessage -xrm '*overrideRedirect: true' -geometry "${w}x$h+0+0" cover &
    cover=$!
    e2e_track "$cover"
    sleep 3
    c=$(cpu) && sleep 5 && c=$(($(cpu) - c))
    e2e_stop "$cover"
    u=$(cpu) && sleep 1 && u=$(($(cpu) - u))
    echo "covered: $c CPU ticks in 5 s; uncovered: $u in the next second"
    [ "$c" -le 10 ] || fail "covered whole: $c CPU ticks in 5 s, at most 10 (2 % of a core)"
    [ "$u" -gt 10 ] || fail "not drawing again within a second of being uncovered: $u CPU ticks"
fi
case $scenario in
key | black) xdotool key space 2>/dev/null ;;
xautolock) xdotool click 1 2>/dev/null ;;
mouse) for x in 320 360 420; do xdotool mousemove $((x2 + x)) 320; sleep 0.1; done ;;
sigterm | sighup) kill -"${scenario#sig}" "$pid" ;;
*) fail "unknown scenario" ;;
esac
if [ "$scenario" = xautolock ]; then   # not our child: its status comes in a file
    wait_until 30 "still running 30 s after the pointer moved" test -s "$e2e_short/status"
    status=$(cat "$e2e_short/status") pid=
else
    wait_exit 30
fi
[ "$status" -eq 0 ] || fail "exit status $status, expected 0"
echo "ok [$scenario]"
