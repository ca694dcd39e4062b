# shellcheck shell=bash
# e2e_kwin.sh -- for the end-to-end scripts, after e2e_lib.sh and
# e2e_user.sh: KWin's virtual back end with two 1280x1024 outputs side by
# side, in a private D-Bus session, and what it shows, through its scripting.
#   kwin_start           started and waited for; sets WAYLAND_DISPLAY and
#                        DBUS_SESSION_BUS_ADDRESS
#   kwin_windows CLASS   that class's windows as "FULLSCREEN X,Y WxH", sorted, on one line

kwin_start() {
    # Debian's binary carries a file capability that a container refuses to
    # execute. Another test may lift it at the same moment: what counts is that it is gone.
    if [ "$(id -u)" = 0 ] && [ -n "$(getcap /usr/bin/kwin_wayland)" ]; then
        setcap -r /usr/bin/kwin_wayland 2>/dev/null
        [ -z "$(getcap /usr/bin/kwin_wayland)" ] || fail "cannot lift kwin_wayland's capability"
    fi
    e2e_user_bus
    as_user; "${run[@]}" kwin_wayland --virtual --width 1280 --height 1024 --no-lockscreen \
        --output-count 2 >"$rt/kwin.log" 2>&1 &
    e2e_track $!
    wait_until 60 "kwin did not start" compgen -G "$rt/wayland-?" >/dev/null
    WAYLAND_DISPLAY=$(basename "$(ls -t "$rt"/wayland-? | head -n 1)")
}

# A script loaded and run over D-Bus prints into KWin's log.
kwin_windows() {
    local n id
    n=$(date +%s%N)   # a name of its own: called in subshells, a counter would not count
    echo "workspace.clientList().forEach(function (c) { var g = c.frameGeometry;
        print('check$n', c.resourceClass, c.fullScreen, g.x + ',' + g.y, g.width + 'x' + g.height); });" \
        >"$rt/check$n.js"
    as_user
    id=$("${run[@]}" dbus-send --session --print-reply=literal --dest=org.kde.KWin /Scripting \
         org.kde.kwin.Scripting.loadScript string:"$rt/check$n.js" string:"check$n" 2>>"$rt/check.log") &&
        "${run[@]}" dbus-send --session --print-reply --dest=org.kde.KWin "/${id##* }" \
            org.kde.kwin.Script.run >/dev/null 2>>"$rt/check.log" || return 1
    sleep 0.5
    sed -n "s/^js: check$n $1 //p" "$rt/kwin.log" | sort | paste -sd' '
}
