#!/usr/bin/env bash
# e2e_idle.sh -- boxcity-saver --idle 3s, the same story on each desktop: no
# city until three idle seconds after input, input ends it, it comes again
# after the next three; SIGTERM (SIGHUP on sway) ends the watch and the city
# with 0. How each desktop gives idle time and input:
#   x11    Xvfb: the server's idle time, xdotool. Also: a second watch ends at once with 0.
#   sway   sway 1.7 headless: KDE's idle protocol, wtype
#   gnome  Mutter headless in a private D-Bus session (no Wayland idle protocol): its idle
#          monitor, which keeps counting while the city runs; Mutter's remote desktop
#          (gnome_bus). Also: while a stand-in session manager holds idle off, no city.
#   kwin   KWin 5.27 virtual, two outputs, in a private D-Bus session: ext-idle-notify,
#          no input (KWin offers no virtual keyboard), so only the first idle period;
#          the city's windows full screen on both outputs, as KWin's scripting lists them.
# Usage: e2e_idle.sh DESKTOP SAVER [GNOME_BUS]
set -u
desktop=$1 helper=${3:-} E2E_TAG=$1
. "$(dirname "${BASH_SOURCE[0]}")/../harness/e2e_lib.sh"
. "$(dirname "${BASH_SOURCE[0]}")/../harness/e2e_user.sh"
. "$(dirname "${BASH_SOURCE[0]}")/../harness/e2e_kwin.sh"
e2e_user_setup "$2"
e2e_on_fail() { tail -n 5 "$rt"/*.log; grep -h "^js: " "$rt/kwin.log" 2>/dev/null | tail -n 4; }
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
# The seat has no keyboard until wtype makes one: the key waits for the city to take it up.
input_sway() { on_desktop wtype -s 2000 -k space; }
start_gnome() {
    e2e_user_bus
    as_user; "${run[@]}" mutter --headless --wayland --no-x11 --virtual-monitor 1280x1024 \
        >"$rt/mutter.log" 2>&1 &
    e2e_track $!
    wait_until 60 "mutter did not start" compgen -G "$rt/wayland-?" >/dev/null
    WAYLAND_DISPLAY=$(basename "$(ls -t "$rt"/wayland-? | head -n 1)")
    wait_until 30 "no idle monitor on the bus" on_desktop "$helper" idletime
}
input_gnome() { on_desktop "$helper" key; }
start_kwin() {
    kwin_start
    watch_env=WAYLAND_DEBUG=1   # the protocol the watch uses, from its own requests
}

now() { date +%s%N | cut -c1-13; }   # ms
city() { pgrep -P "$watch" -x boxcity-saver >/dev/null; }
# Input until the city ends (on a busy machine its window comes a while after
# its process, and input before then meets no window); since: the last input.
end_city() {
    local end=$((SECONDS + 60)) i
    while [ "$SECONDS" -lt "$end" ]; do
        since=$(now)
        input_"$desktop" || fail "no input"
        # Mutter takes remote input in its own time: counted from the first event sent.
        [ "$desktop" = gnome ] || since=$(now)
        for i in $(seq 30); do city || return 0; sleep 0.1; done
    done
    fail "input did not end the city"
}
shown_after_wait() {   # not before most of the three idle seconds since the input
    local waited=$(($(now) - since))
    [ "$waited" -ge 2500 ] || fail "shown ${waited} ms after the last input, before three idle seconds"
}

start_"$desktop"
# The session made active before the watch: a busy compositor may take its
# time over input, and idle counted from before it would come early. Mutter
# takes remote input later still: there the session is idle from the start.
# KWin has no input to give: its session starts idle too, counted from the watch's request.
case $desktop in gnome | kwin) ;; *) input_"$desktop" || fail "no input" ;; esac
since=$(now)
on_desktop ${watch_env:-} sh -c "\"\$0\" --idle 3s --max-fps 10 2>$rt/watch.log; echo \$? >$rt/status" "$program" &
wait_until 30 "the watch did not start" eval 'watch=$(e2e_user_procs boxcity-saver -o)'
wait_until 30 "no city within 30 s of idle" city
[ "$desktop" = gnome ] || shown_after_wait
sleep 1
city || fail "the city ended on its own: $(cat "$rt/watch.log")"
if [ "$desktop" = gnome ]; then
    before=$(on_desktop "$helper" idletime) && sleep 1 && after=$(on_desktop "$helper" idletime) &&
        [ "$after" -gt "$before" ] || fail "Mutter's idle time held back by the city: $before, then $after ms"
fi
[ "$desktop" = x11 ] && { on_desktop timeout 10 "$program" --idle 3s || fail "a second watch: status $?"; }
if [ "$desktop" = kwin ]; then
    grep -q 'ext_idle_notification_v1@[0-9]*\.idled()' "$rt/watch.log" ||
        fail "the city came, but not through ext-idle-notify: $(grep -m 1 -o '[a-z_]*idle[a-z_]*@[0-9]*\.idle[a-z]*()' "$rt/watch.log")"
    end=$((SECONDS + 30))
    until [ "$(kwin_windows boxcity-saver)" = "true 0,0 1280x1024 true 1280,0 1280x1024" ]; do
        [ "$SECONDS" -lt "$end" ] ||
            fail "the city's windows do not cover both outputs: '$(kwin_windows boxcity-saver)'"
        sleep 0.5
    done
else
    end_city
    wait_until 30 "no city after the next idle period" city
    shown_after_wait
fi
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
    shown_after_wait
fi
signal=TERM
[ "$desktop" = sway ] && signal=HUP
kill -"$signal" "$watch"
pid=$watch
wait_until 30 "the watch still runs 30 s after SIG$signal" eval '! alive'
wait_until 10 "the city outlived its watch" eval '! e2e_user_procs boxcity-saver >/dev/null'
wait_until 10 "no exit status" test -s "$rt/status"
grep -q "^0$" "$rt/status" || fail "SIG$signal: status $(cat "$rt/status"), expected 0"
echo "ok"
