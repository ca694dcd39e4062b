# shellcheck shell=bash
# e2e_user.sh -- a throwaway user for the Wayland desktops of the end-to-end
# scripts (sway refuses root), and the commands that run as that user in a
# clean environment. Source it after e2e_lib.sh:
#
#   e2e_user_setup PROGRAM    makes $rt (the user's runtime folder) and, as
#                             root, the user, with a copy of PROGRAM it can
#                             run; sets program to the path to use
#   as_user                   sets run: the prefix of a command run as the
#                             user (or as ourselves when not root), with
#                             HOME and XDG_RUNTIME_DIR at $rt, WAYLAND_DISPLAY
#                             and DBUS_SESSION_BUS_ADDRESS passed on when set
#   e2e_user_procs NAME       the user's processes of that name
#
# Ends the user's processes and removes the user at exit.

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
    pgrep -u "${user:-$(id -u)}" -x "$1"
}
