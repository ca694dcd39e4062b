#!/usr/bin/env bash
# e2e_saver.sh -- boxcity-saver on sway's headless back end: outputs of
# 1280x1024 and 1600x900 at scale 2, the desktop painted a colour. The
# README's swayidle line starts it: every output shows the city and none of
# the colour, idle is not held off, a second copy and an output going away
# and back change nothing, a key ends it with 0; so do SIGTERM and SIGHUP.
# Without a display, or with no output, it fails at once in one line.
# Root makes a throwaway user for sway, which refuses root.
#
# Usage: e2e_saver.sh SAVER
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../harness/e2e_lib.sh"

saver=$(readlink -f "$1") rt=$e2e_short/rt user=
mkdir -m 700 "$rt"
if [ "$(id -u)" = 0 ]; then
    user=boxcity-e2e-$$
    useradd --system --no-create-home --home-dir "$rt" "$user" || fail "no user to run sway"
    chown "$user:" "$rt" && chmod 711 "$e2e_short"
    # A copy the user can run: the build may lie in a folder only root enters.
    install -m 755 -o "$user" "$saver" "$rt/boxcity-saver" && saver=$rt/boxcity-saver
fi
e2e_on_exit() {
    [ -n "$user" ] && pkill -KILL -u "$user" && sleep 0.3
    [ -n "$user" ] && userdel "$user"
}
e2e_on_fail() { tail -n 5 "$rt"/*.log; }
# The command prefix in run: as the user, in a clean environment.
as_user() {
    run=(env -i PATH=/usr/bin:/bin HOME="$rt" XDG_RUNTIME_DIR="$rt"
         ${WAYLAND_DISPLAY:+WAYLAND_DISPLAY=$WAYLAND_DISPLAY})
    [ -n "$user" ] &&
        run=(setpriv --reuid="$user" --regid="$(id -g "$user")" --clear-groups "${run[@]}")
}
on_desktop() { as_user; "${run[@]}" SWAYSOCK="$SWAYSOCK" "$@"; }
e2e_shoot() {
    on_desktop grim -o HEADLESS-1 "$rt/1.png" && on_desktop grim -o HEADLESS-2 "$rt/2.png" &&
        convert "$rt/1.png" "$rt/2.png" -background black +append "$1"
}
export XORG_TWO_MONITORS="1280x1024+0+0 1600x900+1280+0"
desktop() {   # OUTPUTS
    as_user
    "${run[@]}" WLR_BACKENDS=headless WLR_HEADLESS_OUTPUTS="$1" WLR_RENDERER=pixman \
        WLR_LIBINPUT_NO_DEVICES=1 sway -c /dev/null >"$rt/sway.log" 2>&1 &
    e2e_track $!
    wait_until 30 "sway did not start" compgen -G "$rt/sway-ipc.*.$!.sock" >/dev/null
    SWAYSOCK=$(compgen -G "$rt/sway-ipc.*.$!.sock")
    WAYLAND_DISPLAY=$(basename "$(ls -t "$rt"/wayland-? | head -n 1)")
}
windows() { on_desktop swaymsg -t get_tree | grep -c '"app_id": "boxcity-saver"'; }
started() {   # exactly one, with its two windows
    pid=$(pgrep -u "${user:-$(id -u)}" -x boxcity-saver) && [ "$pid" -gt 0 ] 2>/dev/null &&
        [ "$(windows)" = 2 ]
}
ends_with() {   # STATUS-FILE
    wait_until 30 "still running 30 s after the stop" test -s "$1"
    [ "$(cat "$1")" = 0 ] || fail "exit status $(cat "$1"), expected 0"
}

desktop 1
on_desktop swaymsg create_output >/dev/null &&
    on_desktop swaymsg output HEADLESS-1 pos 0 0 mode 1280x1024, \
        output HEADLESS-2 pos 1280 0 mode 1600x900 scale 2 >/dev/null ||
    fail "outputs not set up"
as_user; "${run[@]}" swaybg -c '#ff00ff' >"$rt/swaybg.log" 2>&1 & e2e_track $!
as_user; "${run[@]}" swayidle -w timeout 1 "($saver; echo \$? >$rt/0) &" timeout 3 "touch $rt/next" \
    >"$rt/idle.log" 2>&1 &
idle1=$!
e2e_track $idle1
wait_until 60 "swayidle did not start it" started
wait_until 30 "swayidle's next timeout did not come" test -e "$rt/next"
wait_monitors '#ff00ff' "$rt/outputs.png"
[ -n "${BOXCITY_SAVER_SHOTS:-}" ] && cp "$rt/1.png" "$rt/2.png" "$BOXCITY_SAVER_SHOTS"
as_user; "${run[@]}" swayidle timeout 2 "touch $rt/idle" >"$rt/idle2.log" 2>&1 &
idle2=$!
e2e_track $idle2
wait_until 30 "the session never went idle while it ran" test -e "$rt/idle"
on_desktop timeout 10 "$saver" || fail "a second copy: status $?, expected 0"
on_desktop swaymsg output HEADLESS-2 disable >/dev/null && sleep 2 &&
    on_desktop swaymsg output HEADLESS-2 enable >/dev/null && sleep 2
[ "$(windows)" = 2 ] || fail "$(windows) windows after a second copy and an output gone and back"
e2e_stop $idle1   # or it starts another one a second after the key
e2e_stop $idle2
# The seat has no keyboard until wtype makes one: the key waits until
# the saver has taken it up.
on_desktop wtype -s 2000 -k space || fail "wtype failed"
ends_with "$rt/0"
pid=
for signal in TERM HUP; do
    on_desktop sh -c "$saver; echo \$? >$rt/$signal" &
    wait_until 60 "not started again" started
    kill -"$signal" "$pid"
    ends_with "$rt/$signal"
done
pid=
desktop 0   # a desktop without a single output
for display in "" wayland-none "$WAYLAND_DISPLAY"; do
    WAYLAND_DISPLAY=$display on_desktop "$saver" 2>"$rt/err"
    status=$?
    [ "$status" = 1 ] && [ "$(wc -l <"$rt/err")" = 1 ] &&
        ! pgrep -u "${user:-$(id -u)}" -x boxcity-saver >/dev/null ||
        fail "display '$display': status $status, expected 1 and one line: $(cat "$rt/err")"
done
echo "ok"
