#!/usr/bin/env bash
# e2e_wallpaper_x11.sh -- boxcity-wallpaper on an X server (Xvfb, 1280x1024)
# with openbox: its window is of the desktop type, a small window stays
# above it even when it is raised, and the city fills the rest; a window
# covering the whole screen rests it (at most 2 % of a core over 10 s), and
# it draws again once that window is gone; with --root it draws on the root
# window. Run under xserver_run.sh.
#
# Usage: e2e_wallpaper_x11.sh WALLPAPER
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../harness/e2e_lib.sh"
E2E_TAG=wallpaper-x11
shot=$e2e_short/x11.png

ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
cpu_over() { local before; before=$(ticks) && sleep "$1" && echo $(($(ticks) - before)); }
# The most common colour's share of a part of the screen, in %.
uniform() {
    convert "$shot" -crop "$1" +repage -format %c histogram:info:- |
        awk '{n = $1 + 0; all += n; if (n > most) most = n} END {print int(most * 100 / all)}'
}

start_wm
xmessage -geometry 400x300+100+100 "over the city" & e2e_track $!
wait_until 30 "no xmessage window" xdotool search --onlyvisible --class xmessage >/dev/null
over=$(xdotool search --onlyvisible --class xmessage | head -n 1)
env -u WAYLAND_DISPLAY "$1" >"$e2e_short/wallpaper.log" 2>&1 &
pid=$!
wait_window boxcity-wallpaper
xprop -id "$win" _NET_WM_WINDOW_TYPE | grep -q _NET_WM_WINDOW_TYPE_DESKTOP ||
    fail "not of the desktop type: $(xprop -id "$win" _NET_WM_WINDOW_TYPE)"
xdotool windowraise "$win"
city() {
    import -window root "$shot" && [ "$(lit_box "$shot")" = 1280x1024+0+0 ] &&
        [ "$(convert "$shot" -crop 1280x500+0+524 -threshold 0 -format '%[fx:int(mean*100)]' info:)" -gt 50 ]
}
wait_until 60 "the city does not fill the screen" city
[ -n "${BOXCITY_WALLPAPER_SHOTS:-}" ] && cp "$shot" "$BOXCITY_WALLPAPER_SHOTS"
[ "$(uniform 300x150+150+180)" -gt 80 ] || fail "the city over the window above it"
echo "the city fills the screen around the window"

xdotool windowmove "$over" 0 0 windowsize "$over" 1400 1200
sleep 2
used=$(cpu_over 10)
[ "$used" -le $((10 * $(getconf CLK_TCK) / 50)) ] || fail "covered: $used ticks of CPU in 10 s"
echo "covered: $used ticks in 10 s"
xdotool windowminimize "$over"
wait_until 10 "not drawing again" test "$(cpu_over 1)" -gt 2
alive || fail "ended on its own"

# --root: the city on the root window itself, no window of its own.
kill "$pid" && wait_exit 10
env -u WAYLAND_DISPLAY "$1" --root >"$e2e_short/wallpaper.log" 2>&1 &
pid=$!
wait_until 60 "--root: the city does not fill the screen" city
[ -z "$(xdotool search --class boxcity-wallpaper)" ] || fail "--root: a window of its own"
echo ok
