#!/usr/bin/env bash
# e2e_saver.sh -- boxcity-saver on a Wayland desktop: sway's headless back
# end with two outputs of different sizes, the second at scale 2, the
# desktop painted a colour (swaybg). Run as root, sway (which refuses root)
# and everything on it run as a throwaway user made here.
#
# Usage: e2e_saver.sh SCENARIO SAVER
#   idle     swayidle runs it after a second, as in the README; both outputs
#            show the city letterboxed and none of the colour; a second
#            swayidle's timeout still fires (idle not inhibited); a key
#            (wtype) ends it with status 0
#   signals  a second copy ends at once with 0 and adds no window; an output
#            disabled and enabled again while it draws; SIGTERM, then SIGHUP
#            on a new run, end it with status 0
#   failures no display, a display that is not there, a desktop with no
#            output: one line on standard error, status 1, nothing left
#            running
set -u
. "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"

scenario=$1
saver=$(readlink -f "$2")
E2E_TAG=saver-$scenario
desktop='#ff00ff'
outputs="HEADLESS-1 HEADLESS-2"

# ---- the desktop ----

rt=$(mktemp -d /tmp/saver-rt.XXXXXX) || fail "no runtime folder"
user=
if [ "$(id -u)" = 0 ]; then
    user=boxcity-e2e-$$
    useradd --system --no-create-home --home-dir "$rt" --shell /usr/sbin/nologin "$user" ||
        fail "could not make a user to run sway"
    chown "$user:" "$rt"
fi
chmod 700 "$rt"
e2e_on_exit() {
    if [ -n "$user" ]; then
        pkill -TERM -u "$user" 2>/dev/null && sleep 0.5
        pkill -KILL -u "$user" 2>/dev/null
        userdel "$user" 2>/dev/null
    fi
    rm -rf "$rt"
}
e2e_on_fail() { tail -n 5 "$rt"/*.log 2>/dev/null; }

# A clean environment on the desktop, as the user: the command's prefix in
# run, so that a command started in the background is $! itself.
desktop_run() {
    run=(env -i PATH=/usr/bin:/bin HOME="$rt" XDG_RUNTIME_DIR="$rt"
         ${WAYLAND_DISPLAY:+WAYLAND_DISPLAY=$WAYLAND_DISPLAY} ${SWAYSOCK:+SWAYSOCK=$SWAYSOCK})
    [ -n "$user" ] && run=(setpriv --reuid="$user" --regid="$(id -g "$user")" --clear-groups "${run[@]}")
}
on_desktop() {
    desktop_run
    "${run[@]}" "$@"
}

# The saver's windows on the desktop now.
windows() {
    on_desktop swaymsg -t get_tree -r | jq '[.. | objects | select(.app_id? == "boxcity-saver")] | length'
}

two_windows() {
    [ "$(windows)" = 2 ]
}

# Each output: lit exactly where the letterboxed picture lies, clouds in it,
# none of the desktop's colour anywhere.
wait_outputs() {
    local end=$((SECONDS + 90)) o ok report all lit grey painted w h box want
    while [ "$SECONDS" -lt "$end" ]; do
        alive || fail "ended on its own"
        ok=1 report=
        for o in $outputs; do
            on_desktop grim -o "$o" "$rt/$o.png" 2>/dev/null || { ok=0; continue; }
            read -r w h <<<"$(identify -format '%w %h' "$rt/$o.png")"
            want=$(e2e_letterbox "$w" "$h")
            box=$(lit_box "$rt/$o.png")
            read -r all lit grey painted <<<"$(monitor_pixels "$rt/$o.png" "${w}x${h}+0+0" FF00FF)"
            report+=" [$o ${w}x${h}: lit $box (want $want), all lit grey desktop = $all $lit $grey $painted]"
            [ "$box" = "$want" ] && [ "$lit" -gt $((all / 5)) ] && [ "$grey" -gt 1000 ] &&
                [ "$painted" -eq 0 ] || ok=0
        done
        if [ "$ok" = 1 ]; then
            [ -n "${BOXCITY_SAVER_SHOTS:-}" ] && cp "$rt"/HEADLESS-*.png "$BOXCITY_SAVER_SHOTS"/
            return 0
        fi
        sleep 1
    done
    fail "not every output shows the city:$report"
}

# A desktop of two outputs, or, given 0, of none.
start_desktop() {
    cat >"$rt/config" <<EOF
output HEADLESS-1 mode 1280x1024 position 0 0
EOF
    desktop_run
    "${run[@]}" env WLR_BACKENDS=headless WLR_HEADLESS_OUTPUTS="${1:-1}" WLR_RENDERER=pixman \
        WLR_LIBINPUT_NO_DEVICES=1 sway -c "$rt/config" >"$rt/sway.log" 2>&1 &
    e2e_track $!
    wait_until 30 "sway did not start" compgen -G "$rt/sway-ipc.*.sock" >/dev/null
    SWAYSOCK=$(compgen -G "$rt/sway-ipc.*.sock")
    WAYLAND_DISPLAY=$(basename "$(compgen -G "$rt/wayland-[0-9]" | head -n 1)")
    export SWAYSOCK WAYLAND_DISPLAY
    [ "${1:-1}" = 0 ] && return
    on_desktop swaymsg create_output >/dev/null &&
        on_desktop swaymsg output HEADLESS-2 mode 1600x900 scale 2 position 1280 0 >/dev/null ||
        fail "no second output"
    desktop_run
    "${run[@]}" swaybg -c "$desktop" >"$rt/swaybg.log" 2>&1 &
    e2e_track $!
}

# The saver, as the user; sets pid.
start_saver() {
    desktop_run
    "${run[@]}" "$saver" >"$rt/saver.log" 2>&1 &
    pid=$!
    wait_until 90 "its two windows did not come" two_windows
}

# ---- the scenarios ----

case $scenario in
idle)
    start_desktop
    # The README's recipe: the saver in the background, since -w makes
    # swayidle wait for each command before it counts towards the next
    # timeout, which must still come.
    desktop_run
    "${run[@]}" swayidle -w timeout 1 "($saver; echo \$? >$rt/status) &" timeout 3 "touch $rt/next" \
        >"$rt/swayidle.log" 2>&1 &
    e2e_track $!
    wait_until 30 "swayidle did not start it" pgrep -u "${user:-$(id -u)}" -x boxcity-saver >/dev/null
    pid=$(pgrep -u "${user:-$(id -u)}" -x boxcity-saver)
    wait_until 30 "swayidle's next timeout did not come" test -e "$rt/next"
    wait_outputs
    desktop_run
    "${run[@]}" swayidle timeout 2 "touch $rt/idle" >"$rt/swayidle2.log" 2>&1 &
    e2e_track $!
    wait_until 30 "the session never went idle while it ran" test -e "$rt/idle"
    alive || fail "ended before the key"
    on_desktop wtype -k space || fail "wtype failed"
    wait_until 30 "a key did not end it" test -s "$rt/status"
    pid=
    [ "$(cat "$rt/status")" = 0 ] || fail "exit status $(cat "$rt/status"), expected 0"
    ;;
signals)
    start_desktop
    for signal in TERM HUP; do
        start_saver
        if [ "$signal" = TERM ]; then
            on_desktop timeout 10 "$saver" || fail "a second copy: status $?, expected 0"
            sleep 1
            [ "$(windows)" = 2 ] || fail "a second copy left $(windows) windows, expected 2"
        else
            on_desktop swaymsg output HEADLESS-2 disable >/dev/null
            sleep 2
            on_desktop swaymsg output HEADLESS-2 enable >/dev/null
            sleep 2
            alive || fail "an output going away and coming back ended it"
        fi
        kill -"$signal" "$pid"
        wait_exit 30
        [ "$status" -eq 0 ] || fail "SIG$signal: exit status $status, expected 0"
    done
    ;;
failures)
    start_desktop 0   # a desktop without a single output
    for display in "" wayland-none "$WAYLAND_DISPLAY"; do
        WAYLAND_DISPLAY=$display on_desktop "$saver" >/dev/null 2>"$rt/err"
        status=$?
        [ "$status" -eq 1 ] && [ "$(wc -l <"$rt/err")" -eq 1 ] ||
            fail "display '$display': status $status, expected 1 and one line: $(cat "$rt/err")"
        echo "display '$display': $(cat "$rt/err")"
    done
    pgrep -u "${user:-$(id -u)}" -x boxcity-saver >/dev/null && fail "something left running"
    ;;
*) fail "unknown scenario" ;;
esac
echo "ok [$scenario]"
