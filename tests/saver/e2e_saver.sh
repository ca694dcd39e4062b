#!/usr/bin/env bash
# e2e_saver.sh -- boxcity-saver on sway's headless back end with Xwayland
# (DISPLAY set too, so the driver order counts): outputs of 1280x1024 and
# 2048x1536 at scale 2, the desktop painted a colour. The README's swayidle
# line starts it: every output shows the city and none of the colour, the
# scaled one at its own pixels, at most 60 frames a second, idle is not held
# off, a second copy changes nothing; covered by another full-screen client
# it rests (CPU) and draws again within a second of being uncovered; a key
# ends it with 0. Then 30 starts in a row, ended by SIGTERM or SIGHUP with
# 0, every output covered each time; an output created while it runs is
# covered within two seconds. Without a display, or with no output, it fails
# at once in one line; on a small output it draws at the output's size.
# Root makes a throwaway user for sway, which refuses root.
#
# Usage: e2e_saver.sh SAVER FRAMECOUNT
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../harness/e2e_lib.sh"

saver=$(readlink -f "$1") fc=$(readlink -f "$2") rt=$e2e_short/rt user= x11=
mkdir -m 700 "$rt"
if [ "$(id -u)" = 0 ]; then
    user=boxcity-e2e-$$
    useradd --system --no-create-home --home-dir "$rt" "$user" || fail "no user to run sway"
    chown "$user:" "$rt" && chmod 711 "$e2e_short"
    # A copy the user can run: the build may lie in a folder only root enters.
    install -m 755 -o "$user" "$saver" "$rt/boxcity-saver" && saver=$rt/boxcity-saver
fi
install -m 755 "$fc" "$rt/fc.so" && fc=$rt/fc.so
e2e_on_exit() {
    [ -n "$user" ] && pkill -KILL -u "$user" && sleep 0.3
    [ -n "$user" ] && userdel "$user"
}
e2e_on_fail() { tail -n 5 "$rt"/*.log; }
# The command prefix in run: as the user, in a clean environment.
as_user() {
    run=(env -i PATH=/usr/bin:/bin HOME="$rt" XDG_RUNTIME_DIR="$rt"
         ${WAYLAND_DISPLAY:+WAYLAND_DISPLAY=$WAYLAND_DISPLAY} ${x11:+DISPLAY=$x11})
    [ -n "$user" ] &&
        run=(setpriv --reuid="$user" --regid="$(id -g "$user")" --clear-groups "${run[@]}")
}
on_desktop() { as_user; "${run[@]}" SWAYSOCK="$SWAYSOCK" "$@"; }
e2e_shoot() {
    on_desktop grim -o HEADLESS-1 "$rt/1.png" && on_desktop grim -o HEADLESS-2 "$rt/2.png" &&
        convert "$rt/1.png" "$rt/2.png" -background black +append "$1"
}
export XORG_TWO_MONITORS="1280x1024+0+0 2048x1536+1280+0"
printf '%s\n' 'xwayland enable' "exec printenv DISPLAY >$rt/x11" >"$rt/sway.conf"
desktop() {   # OUTPUTS
    as_user
    "${run[@]}" WLR_BACKENDS=headless WLR_HEADLESS_OUTPUTS="$1" WLR_RENDERER=pixman \
        WLR_LIBINPUT_NO_DEVICES=1 sway -c "$rt/sway.conf" >"$rt/sway.log" 2>&1 &
    e2e_track $!
    wait_until 30 "sway did not start" compgen -G "$rt/sway-ipc.*.$!.sock" >/dev/null
    SWAYSOCK=$(compgen -G "$rt/sway-ipc.*.$!.sock")
    WAYLAND_DISPLAY=$(basename "$(ls -t "$rt"/wayland-? | head -n 1)")
}
windows() { on_desktop swaymsg -t get_tree | grep -c '"app_id": "boxcity-saver"'; }
outputs=2
started() {   # exactly one, with a Wayland window on each output
    pid=$(pgrep -u "${user:-$(id -u)}" -x boxcity-saver) && [ "$pid" -gt 0 ] 2>/dev/null &&
        [ "$(windows)" = "$outputs" ]
}
frames() { tr -dc 0-9 <"$rt/frames"; }
cpu() { awk '{print $14 + $15}' "/proc/$pid/stat"; }   # clock ticks, 100 a second
# Each output lit (a fifth of it at least) and none of the desktop's colour.
covered() {   # OUTPUT...
    local o
    for o in "$@"; do
        on_desktop grim -s 0.25 -t ppm -o "$o" "$rt/o.ppm" || return 1
        convert "$rt/o.ppm" -depth 8 -format %c histogram:info:- | awk '
            match($0, /\([0-9]+,[0-9]+,[0-9]+/) {
                split(substr($0, RSTART + 1, RLENGTH - 1), c, ","); all += $1
                if (c[1] + c[2] + c[3] > 0) lit += $1
                if (c[1] == 255 && c[2] == 0 && c[3] == 255) painted += $1
            }
            END { exit !(lit > all / 5 && painted == 0) }' || return 1
    done
}
# Like wait_until, to the millisecond: SECONDS counts whole seconds.
wait_within() {   # SECS MESSAGE COMMAND...
    local end=$((${EPOCHREALTIME/./} + $1 * 1000000)) message=$2
    shift 2
    until "$@"; do
        [ "${EPOCHREALTIME/./}" -lt "$end" ] || fail "$message"
        sleep 0.05
    done
}
ends_with() {   # STATUS-FILE
    wait_until 30 "still running 30 s after the stop" test -s "$1"
    [ "$(cat "$1")" = 0 ] || fail "exit status $(cat "$1"), expected 0"
}

desktop 1
on_desktop swaymsg create_output >/dev/null &&
    on_desktop swaymsg output HEADLESS-1 pos 0 0 mode 1280x1024, \
        output HEADLESS-2 pos 1280 0 mode 2048x1536 scale 2 >/dev/null ||
    fail "outputs not set up"
wait_until 30 "no Xwayland display" test -s "$rt/x11"
x11=$(cat "$rt/x11")
as_user; "${run[@]}" swaybg -c '#ff00ff' >"$rt/swaybg.log" 2>&1 & e2e_track $!
as_user; "${run[@]}" swayidle -w timeout 1 \
    "(BOXCITY_FRAME_FILE=$rt/frames BOXCITY_PICTURE_FILE=$rt/picture LD_PRELOAD=$fc $saver; echo \$? >$rt/0) &" \
    timeout 3 "touch $rt/next" >"$rt/idle.log" 2>&1 &
idle1=$!
e2e_track $idle1
wait_until 60 "swayidle did not start it (with a Wayland window on each output)" started
wait_until 30 "swayidle's next timeout did not come" test -e "$rt/next"
wait_monitors '#ff00ff' "$rt/outputs.png"
[ -n "${BOXCITY_SAVER_SHOTS:-}" ] && cp "$rt/1.png" "$rt/2.png" "$BOXCITY_SAVER_SHOTS"
# Drawn at the scaled output's own pixels, not magnified: not every pixel doubled.
doubled=$(convert "$rt/2.png" \( +clone -sample 50% -sample 200% \) -metric AE -compare \
    -format '%[distortion]' info:)
awk -v d="$doubled" 'BEGIN { exit !(d > 30000) }' ||
    fail "the scale-2 output shows its picture magnified: $doubled of 3145728 pixels differ from it doubled"
as_user; "${run[@]}" swayidle timeout 2 "touch $rt/idle" >"$rt/idle2.log" 2>&1 &
idle2=$!
e2e_track $idle2
wait_until 30 "the session never went idle while it ran" test -e "$rt/idle"
on_desktop timeout 10 "$saver" || fail "a second copy: status $?, expected 0"
# The pace and the CPU shown, then covered by a full-screen client on every
# output, then shown again.
n=$(frames) c=$(cpu) && sleep 10 && n=$(($(frames) - n)) c=$(($(cpu) - c))
as_user; "${run[@]}" weston-flower >"$rt/cover.log" 2>&1 & e2e_track $!
wait_until 30 "no covering client" on_desktop swaymsg \
    '[app_id=org.freedesktop.weston.flower] fullscreen enable global' >/dev/null
sleep 3
r=$(cpu) && sleep 10 && r=$(($(cpu) - r))
echo "shown: $n frames and $c CPU ticks in 10 s; covered: $r ticks"
[ "$n" -le 610 ] || fail "$n frames in 10 s, the limit is 60 a second"
[ "$r" -le 20 ] || fail "covered on every output: $r CPU ticks in 10 s, at most 20 (2 % of a core)"
n=$(frames) && pkill -u "${user:-$(id -u)}" -x weston-flower
uncovered() { [ "$(frames)" -gt "$n" ]; }
wait_within 1 "not drawing again within a second of being uncovered" uncovered
e2e_stop $idle1   # or it starts another one a second after the key
e2e_stop $idle2
# The seat has no keyboard until wtype makes one: the key waits until
# the saver has taken it up.
on_desktop wtype -s 2000 -k space || fail "wtype failed"
ends_with "$rt/0"
pid=
for start in $(seq 30); do   # a small picture: each start cheap
    signal=TERM && [ $((start % 2)) = 0 ] && signal=HUP
    on_desktop sh -c "BOXCITY_RESOLUTION=160x120 $saver; echo \$? >$rt/$signal" &
    wait_until 60 "start $start: not started again" started
    wait_until 30 "start $start: an output not covered" covered HEADLESS-1 HEADLESS-2
    rm -f "$rt/$signal"
    kill -"$signal" "$pid"
    ends_with "$rt/$signal"
done
echo "30 starts: every output covered each time"
on_desktop "$saver" &
wait_until 60 "not started again" started
t=$EPOCHREALTIME outputs=3
on_desktop swaymsg create_output >/dev/null
# A window of its own full screen there, then the city on it. Two seconds on
# a quiet machine; a loaded one (sway and the saver starved) takes longer.
shown_on_new() {
    on_desktop swaymsg -t get_tree | jq -e '.nodes[] | select(.name == "HEADLESS-3") | .. | objects |
        select(.app_id? == "boxcity-saver" and .fullscreen_mode == 1 and .visible)' >/dev/null
}
wait_within 20 "an output created while it runs has no window of it full screen within 20 s" shown_on_new
echo "created output covered in $(awk -v a="$t" -v b="$EPOCHREALTIME" 'BEGIN { print b - a }') s"
wait_until 30 "an output created while it runs does not show the city" covered HEADLESS-3
started || fail "$(windows) windows for 3 outputs"
kill -TERM "$pid"
gone() { ! alive "$pid"; }
wait_until 30 "still running 30 s after SIGTERM" gone
pid= x11=
desktop 0   # a desktop without a single output
for display in "" wayland-none "$WAYLAND_DISPLAY"; do
    WAYLAND_DISPLAY=$display on_desktop "$saver" 2>"$rt/err"
    status=$?
    [ "$status" = 1 ] && [ "$(wc -l <"$rt/err")" = 1 ] &&
        ! pgrep -u "${user:-$(id -u)}" -x boxcity-saver >/dev/null ||
        fail "display '$display': status $status, expected 1 and one line: $(cat "$rt/err")"
done
# One small output: the picture at its size, not a fixed mode.
on_desktop swaymsg create_output >/dev/null && on_desktop swaymsg output HEADLESS-1 mode 640x480 >/dev/null
on_desktop env BOXCITY_PICTURE_FILE="$rt/picture" LD_PRELOAD="$fc" "$saver" &
outputs=1
wait_until 60 "not started on one output" started
wait_until 30 "no picture drawn" test -s "$rt/picture"
[ "$(cat "$rt/picture")" = 640x480 ] || fail "a $(cat "$rt/picture") picture on a 640x480 output"
kill -TERM "$pid"
echo "ok"
