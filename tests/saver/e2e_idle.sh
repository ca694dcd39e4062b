#!/usr/bin/env bash
# e2e_idle.sh -- boxcity-saver --idle 3s on one desktop, the same story on
# each: the session made active, the city comes only once it has been idle
# for three seconds, input ends it, and after the next three idle seconds it
# comes again; SIGTERM (SIGHUP on sway) then ends the watch and the city with
# status 0, with nothing left running. The desktops and how each offers idle time and takes
# input:
#   x11    Xvfb (run by the test under xserver_run.sh): the server's idle
#          time; xdotool input. Also: a second watch ends at once with 0, and
#          a session with no idle source gives status 1 and one line.
#   sway   sway 1.7 headless: KDE's idle protocol; wtype input
#   gnome  Mutter headless in a private D-Bus session: no Wayland idle
#          protocol there, so its idle monitor, which keeps counting while
#          the city runs; input through Mutter's
#          remote desktop interface (mutter_input)
# Root makes a throwaway user for the desktop.
#
# Usage: e2e_idle.sh DESKTOP SAVER [GNOME_BUS]
set -u
desktop=$1 helper=${3:-}
E2E_TAG=$desktop
. "$(dirname "${BASH_SOURCE[0]}")/../harness/e2e_lib.sh"
. "$(dirname "${BASH_SOURCE[0]}")/../harness/e2e_user.sh"

e2e_user_setup "$2"
saver=$program
e2e_on_fail() { tail -n 5 "$rt"/*.log; }
on_desktop() { as_user; "${run[@]}" ${SWAYSOCK:+SWAYSOCK=$SWAYSOCK} ${DISPLAY:+DISPLAY=$DISPLAY} "$@"; }

start_x11() { :; }
input_x11() { xdotool mousemove 10 10 key space mousemove 400 300; }

start_sway() {
    as_user
    "${run[@]}" WLR_BACKENDS=headless WLR_HEADLESS_OUTPUTS=1 WLR_RENDERER=pixman \
        WLR_LIBINPUT_NO_DEVICES=1 sway -c /dev/null >"$rt/sway.log" 2>&1 &
    e2e_track $!
    wait_until 30 "sway did not start" compgen -G "$rt/sway-ipc.*.$!.sock" >/dev/null
    SWAYSOCK=$(compgen -G "$rt/sway-ipc.*.$!.sock")
    WAYLAND_DISPLAY=$(basename "$(ls -t "$rt"/wayland-? | head -n 1)")
}
# The seat has no keyboard until wtype makes one: the key waits until the
# city has taken it up.
input_sway() { on_desktop wtype -s 2000 -k space; }

start_gnome() {
    as_user
    "${run[@]}" dbus-daemon --session --fork --print-address=3 --print-pid=4 \
        3>"$rt/bus" 4>"$rt/bus.pid" || fail "no session bus"
    e2e_track "$(cat "$rt/bus.pid")"
    DBUS_SESSION_BUS_ADDRESS=$(cat "$rt/bus")
    as_user
    "${run[@]}" mutter --headless --wayland --no-x11 --virtual-monitor 1280x1024 \
        >"$rt/mutter.log" 2>&1 &
    e2e_track $!
    wait_until 60 "mutter did not start" compgen -G "$rt/wayland-?" >/dev/null
    WAYLAND_DISPLAY=$(basename "$(ls -t "$rt"/wayland-? | head -n 1)")
    wait_until 30 "no idle monitor on the bus" gnome_idle_ms
}
input_gnome() { on_desktop "$helper" key; }
gnome_idle_ms() { on_desktop "$helper" idletime; }

now() { date +%s%N | cut -c1-13; }   # ms
# Input until the city ends: on a busy machine its window may come a while
# after its process, and input before then meets no window. Sets since.
end_city() {
    local end=$((SECONDS + 60))
    while [ "$SECONDS" -lt "$end" ]; do
        input_"$desktop" || fail "no input"
        since=$(now)
        for _ in $(seq 30); do
            no_city && return 0
            sleep 0.1
        done
    done
    fail "input did not end the city ($(city_state))"
}
# What the city was doing: its process state, and on sway its windows.
city_state() {
    local c
    c=$(pgrep -P "$watch" -x boxcity-saver) && echo "state $(awk '{print $3}' "/proc/$c/stat")"
    [ -n "${SWAYSOCK:-}" ] && on_desktop swaymsg -t get_tree | grep -c '"app_id": "boxcity-saver"'
}
city() { pgrep -P "$watch" -x boxcity-saver >/dev/null; }
no_city() { ! city; }
# Shown after the session was idle for most of the three seconds since
# the input at $1 (ms): not at once.
shown_after_wait() {
    local waited=$(($(now) - $1))
    [ "$waited" -ge 2500 ] || fail "shown ${waited} ms after the last input, before three idle seconds"
}

start_"$desktop"
as_user; "${run[@]}" ${SWAYSOCK:+SWAYSOCK=$SWAYSOCK} ${DISPLAY:+DISPLAY=$DISPLAY} \
    "$saver" --idle 3s --max-fps 10 >"$rt/watch.log" 2>&1 &
watch=$!
input_"$desktop" || fail "no input"
since=$(now)
wait_until 30 "no city within 30 s of idle" city
shown_after_wait "$since"
sleep 1
city || fail "the city ended on its own: $(cat "$rt/watch.log")"
if [ "$desktop" = gnome ]; then
    before=$(gnome_idle_ms) && sleep 1 && after=$(gnome_idle_ms) && [ "$after" -gt "$before" ] ||
        fail "Mutter's idle time held back while the city runs: $before, then $after ms"
fi
if [ "$desktop" = x11 ]; then
    on_desktop timeout 10 "$saver" --idle 3s || fail "a second watch: status $?, expected 0"
fi
end_city
alive "$watch" || fail "the watch ended with the city"
wait_until 30 "no city after the next idle period" city
shown_after_wait "$since"
if [ "$desktop" = gnome ]; then
    as_user; "${run[@]}" "$helper" inhibit 120 &
    held=$!
    sleep 0.5
    end_city
    while [ $(($(now) - since)) -lt 6000 ]; do
        city && fail "shown while GNOME's idle was held off"
        sleep 0.2
    done
    kill "$held"
    since=$(now)
    wait_until 30 "no city once idle was no longer held off" city
    shown_after_wait "$since"
fi
signal=TERM
[ "$desktop" = sway ] && signal=HUP
kill -"$signal" "$watch"
pid=$watch
wait_exit 30 "the watch still runs 30 s after SIG$signal"
[ "$status" = 0 ] || fail "SIG$signal: status $status, expected 0"
wait_until 10 "the city outlived its watch" eval '! e2e_user_procs boxcity-saver >/dev/null'
if [ "$desktop" = x11 ]; then
    env -u DISPLAY -u WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent \
        "$saver" --idle 1m 2>"$rt/err.log"
    status=$?
    [ "$status" = 1 ] && [ "$(wc -l <"$rt/err.log")" = 1 ] ||
        fail "no idle source: status $status, expected 1 and one line: $(cat "$rt/err.log")"
fi
echo "ok"
