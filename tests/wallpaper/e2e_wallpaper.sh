#!/usr/bin/env bash
# e2e_wallpaper.sh -- boxcity-wallpaper on sway's headless back end: outputs
# of 1280x1024 and 1600x900 at scale 2, the desktop painted a colour, a
# floating terminal over part of the first. Both outputs show the city
# around the window and none of the colour, filling them, the scaled one at
# its device pixels; with --letterbox, bars beside the picture; a click on the city reaches the desktop (the terminal loses the
# focus) and the wallpaper runs on. With UPower faked on a private system
# bus, on battery its frame rate halves. An output added later shows it too. Under full-screen windows on both
# outputs it uses at most 2 % of a core, and draws again once one is gone
# (sway's headless outputs cannot be turned off or disabled). Weston, which has no layer shell, and no
# display at all: one line, status 1.
#
# Usage: e2e_wallpaper.sh WALLPAPER
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../harness/e2e_lib.sh"
E2E_TAG=wallpaper

wallpaper=$(readlink -f "$1") rt=$e2e_short/rt user=
mkdir -m 700 "$rt"
if [ "$(id -u)" = 0 ]; then   # sway refuses root: a throwaway user runs it all
    user=boxcity-wp-$$
    useradd --system --no-create-home --home-dir "$rt" "$user" || fail "no user to run sway"
    chown "$user:" "$rt" && chmod 711 "$e2e_short"
    install -m 755 -o "$user" "$wallpaper" "$rt/boxcity-wallpaper" && wallpaper=$rt/boxcity-wallpaper
fi
e2e_on_exit() {
    [ -n "$user" ] && pkill -KILL -u "$user" && sleep 0.3
    [ -n "$user" ] && userdel "$user"
}
e2e_on_fail() {
    echo "$report"
    tail -n 5 "$rt"/*.log
    [ -n "${BOXCITY_WALLPAPER_SHOTS:-}" ] && cp "$rt"/*.png "$BOXCITY_WALLPAPER_SHOTS"
}
on_desktop() {
    local run=(env -i PATH=/usr/bin:/bin HOME="$rt" XDG_RUNTIME_DIR="$rt"
               ${WAYLAND_DISPLAY+WAYLAND_DISPLAY=$WAYLAND_DISPLAY} ${SWAYSOCK:+SWAYSOCK=$SWAYSOCK}
               ${DBUS_SYSTEM_BUS_ADDRESS:+DBUS_SYSTEM_BUS_ADDRESS=$DBUS_SYSTEM_BUS_ADDRESS})
    [ -n "$user" ] &&
        run=(setpriv --reuid="$user" --regid="$(id -g "$user")" --clear-groups "${run[@]}")
    "${run[@]}" "$@"
}
msg() { on_desktop swaymsg "$@" >/dev/null || fail "swaymsg $* failed"; }
# Seconds of CPU the wallpaper has used, in clock ticks.
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
cpu_over() {   # SECONDS: ticks used in that time
    local before
    before=$(ticks) && sleep "$1" && echo $(($(ticks) - before))
}
resting() {   # WHAT: at most 2 % of a core over 10 s
    local used
    sleep 1   # the frame it had started
    used=$(cpu_over 10)
    [ "$used" -le $((10 * $(getconf CLK_TCK) / 50)) ] || fail "$1: $used ticks of CPU in 10 s"
    echo "$1: $used ticks in 10 s"
}
drawing() {   # WHAT: frames again within a few seconds
    wait_until 10 "$1: not drawing again" test "$(cpu_over 1)" -gt 2
}
# The lit part of each output, its clouds' grey and any of the desktop's
# colour: every output shows the city around the terminal.
shoot() {
    on_desktop grim -o HEADLESS-1 "$rt/1.png" && on_desktop grim -o HEADLESS-2 "$rt/2.png"
}
city_shown() {
    local n counts all lit grey painted
    report="no screenshot"
    shoot || return 1
    for n in 1 2; do
        counts=$(monitor_pixels "$rt/$n.png" 100%x100%+0+0 FF00FF)
        read -r all lit grey painted <<<"$counts"
        box=$(lit_box "$rt/$n.png")
        report="output $n: lit box $box, all lit grey desktop = $counts"
        [ "$box" = "$(identify -format %wx%h+0+0 "$rt/$n.png")" ] && [ "$lit" -gt $((all / 2)) ] && [ "$grey" -gt 1000 ] && [ "$painted" -eq 0 ] || return 1
    done
}

on_desktop env WLR_BACKENDS=headless WLR_HEADLESS_OUTPUTS=2 WLR_RENDERER=pixman \
    WLR_LIBINPUT_NO_DEVICES=1 sway -c /dev/null >"$rt/sway.log" 2>&1 &
e2e_track $!
wait_until 30 "sway did not start" compgen -G "$rt/sway-ipc.*.sock" >/dev/null
SWAYSOCK=$(compgen -G "$rt/sway-ipc.*.sock")
WAYLAND_DISPLAY=$(basename "$(ls -t "$rt"/wayland-? | head -n 1)")
msg output HEADLESS-1 pos 0 0 mode 1280x1024, output HEADLESS-2 pos 1280 0 mode 1600x900 scale 2
on_desktop swaybg -c '#ff00ff' >"$rt/swaybg.log" 2>&1 & e2e_track $!
on_desktop foot -a float -o font=monospace:size=8 sleep 1000 >"$rt/foot.log" 2>&1 & e2e_track $!
wait_until 30 "no terminal" on_desktop sh -c 'swaymsg -t get_tree | grep -q "\"app_id\": \"float\""'
msg '[app_id=float] floating enable, resize set 400 300, move position 100 100'

# At the outputs' size, so that the scaled output's pixels are the picture's own.
on_desktop "$wallpaper" --resolution 1600x1200 >"$rt/wallpaper.log" 2>&1 &
wait_until 10 "not started" pgrep -u "${user:-$(id -u)}" -x boxcity-wallpap >/dev/null
pid=$(pgrep -u "${user:-$(id -u)}" -x boxcity-wallpap)
report=
wait_until 60 "not every output shows the city" city_shown
[ -n "${BOXCITY_WALLPAPER_SHOTS:-}" ] && cp "$rt/1.png" "$rt/2.png" "$BOXCITY_WALLPAPER_SHOTS"
echo "city shown: $report"
# The terminal keeps its place above the city: its box is its own colour.
[ "$(convert "$rt/1.png" -crop 300x200+150+150 -fill white +opaque '#111111' -fill black \
     -opaque '#111111' -format '%[fx:int(mean*100)]' info:)" -lt 5 ] ||
    fail "the terminal's area shows the city"
# Device pixels: a picture drawn at half the pixels and enlarged by the
# compositor keeps next to nothing once halved and enlarged again.
convert "$rt/2.png" -sample 50% -sample 200% "$rt/2half.png"
detail=$(compare -metric RMSE "$rt/2.png" "$rt/2half.png" null: 2>&1 | awk -F'[()]' '{print int($2 * 1000)}')
[ "$(identify -format %wx%h "$rt/2.png")" = 1600x900 ] && [ "$detail" -gt 20 ] ||
    fail "output 2 not at its device pixels (detail $detail)"
echo "detail at device pixels: $detail"

# A click on the city goes to the desktop: sway gives an empty spot's
# workspace the focus, away from the terminal.
focused() { on_desktop swaymsg -t get_tree | jq -r '.. | objects | select(.focused) | .app_id // .type'; }
wait_until 10 "the terminal never had the focus" test "$(focused)" = float
msg seat seat0 cursor set 900 700, seat seat0 cursor press button1, seat seat0 cursor release button1
wait_until 10 "the click did not reach the desktop (focus: $(focused))" test "$(focused)" = workspace
alive || fail "ended after a click"
kill "$pid" && wait_until 10 "no end to SIGTERM" eval '! alive'

# The frame limit from when it waits for frames to be due (each wait in poll
# ends at a frame's time): frames are due a period apart, or more after a
# late one, never less; a busy machine can make them later, not sooner.
# Waits less than 20 ms apart are for the same frame; the margins allow for
# the time between reading the clock and entering poll. A machine so busy
# that no two frames in a row came on time measures nothing (0), and says so.
msg output '*' mode 800x480 scale 1
on_desktop dbus-daemon --session --address="unix:path=$rt/system_bus" --nofork \
    >"$rt/bus.log" 2>&1 & e2e_track $!
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$rt/system_bus
wait_until 10 "no private system bus" test -S "$rt/system_bus"
on_desktop python3 -m dbusmock --system --template upower >"$rt/upower.log" 2>&1 & e2e_track $!
wait_until 20 "no UPower" on_desktop busctl --address="$DBUS_SYSTEM_BUS_ADDRESS" status org.freedesktop.UPower &>/dev/null
on_battery() {
    on_desktop busctl --address="$DBUS_SYSTEM_BUS_ADDRESS" call org.freedesktop.UPower \
        /org/freedesktop/UPower org.freedesktop.DBus.Mock UpdateProperties 'sa{sv}' \
        org.freedesktop.UPower 1 OnBattery b "$1" >/dev/null || fail "UPower's OnBattery not set"
}
closest_frames() {   # in ms over 5 s: the least time between two frames' due times
    timeout 5 strace -qq -ttt -e trace=poll -p "$pid" 2>&1 | awk '
        match($0, /, [0-9]+\)/) {
            wait = substr($0, RSTART + 2, RLENGTH - 3) + 0
            if (wait > 0) {
                due = $1 * 1000 + wait
                if (!last || due - last >= 20) {
                    if (last && (!least || due - last < least)) least = due - last
                    last = due
                }
            }
        } END { print int(least) }'
}
on_desktop "$wallpaper" --resolution 320x240 --letterbox >"$rt/wallpaper.log" 2>&1 &
wait_until 10 "not started again" pgrep -u "${user:-$(id -u)}" -x boxcity-wallpap >/dev/null
pid=$(pgrep -u "${user:-$(id -u)}" -x boxcity-wallpap)
# The whole picture, with bars beside it.
bars() { on_desktop grim -o HEADLESS-1 "$rt/1.png" && [ "$(lit_box "$rt/1.png")" = 640x480+80+0 ]; }
wait_until 30 "--letterbox: no bars beside the picture" bars
mains=$(closest_frames)
on_battery true
sleep 1
battery=$(closest_frames)
on_battery false
echo "closest frames: $mains ms apart on mains, $battery ms on battery (0: none on time)"
# Only the battery's side can be held to a bound: a busy machine spaces the
# frames on mains too.
[ "$battery" = 0 ] || [ "$battery" -ge 50 ] ||
    fail "closest frames: $mains ms apart on mains, $battery ms on battery (30 a second: 33 ms)"

msg '[app_id="float"] kill'
for output in 1 2; do
    msg focus output HEADLESS-$output
    on_desktop foot -a "full$output" sleep 1000 >"$rt/full$output.log" 2>&1 & e2e_track $!
    wait_until 30 "no terminal on output $output" on_desktop sh -c \
        "swaymsg -t get_tree | grep -q '\"app_id\": \"full$output\"'"
    msg "[app_id=\"full$output\"]" fullscreen enable
done
resting "full screen windows on both outputs"
msg '[app_id="full1"]' fullscreen disable
drawing "a full-screen window gone"
# An output that comes later gets the city too.
msg create_output
third() {
    on_desktop grim -o HEADLESS-3 "$rt/3.png" 2>/dev/null &&
        [ "$(convert "$rt/3.png" -threshold 0 -format '%[fx:int(mean*100)]' info:)" -gt 30 ]
}
wait_until 30 "a new output shows no city" third

alive || fail "ended on its own"

# No layer shell, no display: one line, status 1.
on_desktop weston --backend=headless-backend.so --socket=wayland-weston >"$rt/weston.log" 2>&1 &
e2e_track $!
wait_until 30 "weston did not start" test -S "$rt/wayland-weston"
for display in wayland-weston wayland-none ""; do
    WAYLAND_DISPLAY=$display on_desktop "$wallpaper" 2>"$rt/err"
    status=$?
    [ "$status" = 1 ] && [ "$(wc -l <"$rt/err")" = 1 ] ||
        fail "display '$display': status $status, expected 1 and one line: $(cat "$rt/err")"
    echo "display '$display': $(cat "$rt/err")"
done
echo "ok"
