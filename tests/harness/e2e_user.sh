# shellcheck shell=bash
# e2e_user.sh -- for the end-to-end scripts, after e2e_lib.sh: a throwaway
# user for Wayland desktops (sway refuses root), ended and removed at exit.
#   e2e_user_setup PROGRAM  $rt (its runtime folder), the user when root, and
#                           program: a copy of PROGRAM it can run
#   as_user                 run: the prefix that runs a command as the user (as
#                           ourselves when not root), HOME and XDG_RUNTIME_DIR
#                           at $rt, WAYLAND_DISPLAY and DBUS_SESSION_BUS_ADDRESS kept
#   e2e_user_procs NAME [OPTION...]
#                           the user's processes of that name (pgrep's options)
#   e2e_user_bus            a session bus of the user's, stopped at exit; sets
#                           DBUS_SESSION_BUS_ADDRESS

rt=$e2e_short/rt user=

e2e_user_setup() {
    program=$(readlink -f "$1")
    mkdir -m 700 "$rt"
    if [ "$(id -u)" = 0 ]; then
        user=boxcity-e2e-$$
        useradd --system --no-create-home --home-dir "$rt" "$user" || fail "no user to run the desktop"
        chown "$user:" "$rt" && chmod 711 "$e2e_short"
        # A copy the user can run: the build may lie in a folder only root enters.
        install -m 755 -o "$user" "$program" "$rt/$(basename "$program")" &&
            program=$rt/$(basename "$program")
    fi
}

e2e_on_exit() {
    [ -n "$user" ] && pkill -KILL -u "$user" && sleep 0.3
    [ -n "$user" ] && userdel "$user"
}

as_user() {
    run=(env -i PATH=/usr/bin:/bin HOME="$rt" XDG_RUNTIME_DIR="$rt"
         ${WAYLAND_DISPLAY:+WAYLAND_DISPLAY=$WAYLAND_DISPLAY}
         ${DBUS_SESSION_BUS_ADDRESS:+DBUS_SESSION_BUS_ADDRESS=$DBUS_SESSION_BUS_ADDRESS})
    [ -n "$user" ] &&
        run=(setpriv --reuid="$user" --regid="$(id -g "$user")" --clear-groups "${run[@]}")
}

e2e_user_procs() {
    pgrep -u "${user:-$(id -u)}" -x "$1" "${@:2}"
}

e2e_user_bus() {
    as_user; "${run[@]}" dbus-daemon --session --fork --print-address=3 --print-pid=4 \
        3>"$rt/bus" 4>"$rt/bus.pid" || fail "no session bus"
    e2e_track "$(cat "$rt/bus.pid")"
    DBUS_SESSION_BUS_ADDRESS=$(cat "$rt/bus")
}
