#!/usr/bin/env bash
# e2e_wallpaper_kwin.sh -- boxcity-wallpaper on KWin's virtual back end,
# two outputs: KWin lists a layer surface filling each output, each keeps
# committing frames (it waits for the compositor's frame events, so frames
# go on only on an output that shows it), and it still runs after seconds.
# As in a Plasma session, XDG_CURRENT_DESKTOP says KDE: the surfaces go in the
# bottom layer, above Plasma's own wallpaper.
# Headless KWin gives a test no screenshot, so the frames come from the
# wallpaper's own Wayland requests.
# Usage: e2e_wallpaper_kwin.sh WALLPAPER
set -u
E2E_TAG=wallpaper-kwin
. "$(dirname "${BASH_SOURCE[0]}")/../harness/e2e_lib.sh"
. "$(dirname "${BASH_SOURCE[0]}")/../harness/e2e_user.sh"
. "$(dirname "${BASH_SOURCE[0]}")/../harness/e2e_kwin.sh"
e2e_user_setup "$1"
e2e_on_fail() { tail -n 5 "$rt/kwin.log"; grep -m 4 'get_layer_surface\|error' "$rt/wallpaper.log"; }

kwin_start
as_user; "${run[@]}" XDG_CURRENT_DESKTOP=KDE WAYLAND_DEBUG=1 "$program" >"$rt/wallpaper.log" 2>&1 &
pid=$!
end=$((SECONDS + 30))
until [ "$(kwin_windows boxcity-wallpaper)" = "false 0,0 1280x1024 false 1280,0 1280x1024" ]; do
    [ "$SECONDS" -lt "$end" ] ||
        fail "no surface filling each output: '$(kwin_windows boxcity-wallpaper)'"
    sleep 0.5
done
# Each layer surface and its commits so far.
commits() {
    local surface
    for surface in $(sed -n 's/.*get_layer_surface(new id [^,]*, wl_surface@\([0-9]*\),.*/\1/p' "$rt/wallpaper.log"); do
        echo "$surface $(grep -c "wl_surface@$surface\.commit()" "$rt/wallpaper.log")"
    done
}
outputs=$(sed -n 's/.*get_layer_surface(.*, wl_output@\([0-9]*\),.*/\1/p' "$rt/wallpaper.log" | sort -u | wc -l)
[ "$outputs" = 2 ] || fail "layer surfaces for $outputs outputs, expected 2"
layers=$(sed -n 's/.*get_layer_surface(.*, wl_output@[0-9]*, \([0-9]*\),.*/\1/p' "$rt/wallpaper.log" | sort -u)
[ "$layers" = 1 ] || fail "layers '$(echo $layers)', expected 1 (bottom)"
before=$(commits)
sleep 3
after=$(commits)
echo "commits per surface, then 3 s later: $(echo $before) / $(echo $after)"
while read -r surface count; do
    now=$(echo "$after" | awk -v s="$surface" '$1 == s {print $2}')
    [ "$((now - count))" -ge 3 ] || fail "surface $surface: $((now - count)) frames in 3 s"
done <<<"$before"
alive || fail "ended on its own: $(tail -n 3 "$rt/wallpaper.log")"
echo "ok"
