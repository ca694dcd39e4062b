#!/usr/bin/env bash
# xserver_run.sh -- runs a command on an X server of its own, for the tests
# that CTest runs side by side: an Xvfb with one screen, or Xorg with two
# monitors side by side.
#
# Unlike xvfb-run, which picks a display number by its lock file and leaves
# its server dying in the background at the end (a test started then could
# reach the dying server instead of its own), the server here picks a number
# whose sockets it can really bind (-displayfd), and the wrapper waits for it
# to be gone before it returns. The server never resets (-noreset): by
# default it resets whenever its last client leaves, and a program connecting
# just then (boxcity, while the test's xdotool polls for its window) is
# turned away ("no display found").
#
# Usage: xserver_run.sh [-a] [-s SERVER-ARGS] [-m WxH] COMMAND [ARG...]
#        xserver_run.sh --two-monitors[=W1xH1,W2xH2] COMMAND [ARG...]
#   -a   accepted for xvfb-run's sake (the number is always chosen freely)
#   -s   Xvfb's arguments, split at spaces as xvfb-run splits them
#   -m   offer one more screen mode of that size (a driver without
#        framebuffer objects switches the screen to it)
#   --two-monitors
#        Xorg with the dummy video driver (Xvfb has one RandR output): DUMMY0
#        1280x1024 at 0,0 and DUMMY1 1024x768 to its right (or the sizes
#        given), with Mesa's GLX
#        as under Xvfb. COMMAND finds them in XORG_TWO_MONITORS:
#        "W1xH1+0+0 W2xH2+X2+0".
set -u

server_args="-screen 0 1280x1024x24"   # xvfb-run's own default
extra_mode= two=
while [ $# -gt 0 ]; do
    case $1 in
    -a) shift ;;
    -s) server_args=$2; shift 2 ;;
    -m) extra_mode=$2; shift 2 ;;
    --two-monitors) two=1; shift ;;
    --two-monitors=*x*,*x*) two=${1#*=}; shift ;;
    --) shift; break ;;
    *) break ;;
    esac
done
[ $# -gt 0 ] || { echo "usage: xserver_run.sh [-a] [-s SERVER-ARGS] [-m WxH] [--two-monitors[=W1xH1,W2xH2]] COMMAND [ARG...]" >&2; exit 2; }

dir=$(mktemp -d /tmp/xserver.XXXXXX) || exit 1
server=
finish() {
    if [ -n "$server" ]; then
        kill -TERM "$server" 2>/dev/null
        wait "$server" 2>/dev/null
    fi
    rm -rf "$dir"
}
trap finish EXIT
trap 'exit 143' TERM INT HUP

w1=1280 h1=1024 w2=1024 h2=768
if [ "${two:-1}" != 1 ]; then
    IFS=x, read -r w1 h1 w2 h2 <<<"$two"
fi
if [ -n "$two" ]; then
    # The framebuffer holds both monitors; the dummy driver's memory must too.
    # No input devices from udev: the tests' input comes through XTEST.
    cat >"$dir/xorg.conf" <<EOF
Section "ServerFlags"
    Option "AutoAddDevices" "false"
    Option "AutoEnableDevices" "false"
    Option "DontVTSwitch" "true"
EndSection
Section "Device"
    Identifier "dummy"
    Driver "dummy"
    VideoRam 262144
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0-1000.0
    VertRefresh 5.0-200.0
EndSection
Section "Screen"
    Identifier "screen"
    Device "dummy"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Virtual $((w1 + w2)) $((h1 > h2 ? h1 : h2))
    EndSubSection
EndSection
EOF
    mkdir "$dir/conf.d"
    Xorg -displayfd 3 -config "$dir/xorg.conf" -configdir "$dir/conf.d" -logfile "$dir/log" \
        -nolisten tcp -ac -noreset -novtswitch -sharevts 3>"$dir/display" >"$dir/out" 2>&1 &
else
    # shellcheck disable=SC2086 # the server's arguments are a list
    Xvfb -displayfd 3 $server_args -nolisten tcp -ac -noreset 3>"$dir/display" >"$dir/out" 2>&1 &
fi
server=$!
for _ in $(seq 1 300); do
    [ -s "$dir/display" ] && break
    kill -0 "$server" 2>/dev/null || break
    sleep 0.1
done
if ! [ -s "$dir/display" ]; then
    echo "xserver_run.sh: the X server did not start:" >&2
    cat "$dir/out" "$dir/log" 2>/dev/null >&2
    exit 1
fi
DISPLAY=:$(head -n 1 "$dir/display")
export DISPLAY
unset XAUTHORITY WAYLAND_DISPLAY

# A mode of W x H on OUTPUT (the modeline's timings only matter to a real
# monitor); prints its name.
add_mode() {   # OUTPUT W H
    local name="${2}x${3}_boxcity"
    xrandr --newmode "$name" 60 "$2" $(($2 + 8)) $(($2 + 16)) $(($2 + 24)) "$3" $(($3 + 1)) $(($3 + 2)) $(($3 + 3)) &&
        xrandr --addmode "$1" "$name" && echo "$name"
}
if [ -n "$extra_mode" ] && ! add_mode screen "${extra_mode%x*}" "${extra_mode#*x}" >/dev/null 2>"$dir/xrandr"; then
    echo "xserver_run.sh: cannot offer a $extra_mode mode:" >&2
    cat "$dir/xrandr" >&2
    exit 1
fi
if [ -n "$two" ]; then
    if ! mode1=$(add_mode DUMMY0 "$w1" "$h1" 2>>"$dir/xrandr") ||
       ! mode2=$(add_mode DUMMY1 "$w2" "$h2" 2>>"$dir/xrandr") ||
       ! xrandr --fb "$((w1 + w2))x$((h1 > h2 ? h1 : h2))" --output DUMMY0 --mode "$mode1" --pos 0x0 --primary \
            --output DUMMY1 --mode "$mode2" --right-of DUMMY0 2>>"$dir/xrandr"; then
        echo "xserver_run.sh: the two monitors could not be set up:" >&2
        cat "$dir/xrandr" >&2
        exit 1
    fi
    # A full query makes the server probe its outputs once more; until then
    # the cheap query that SDL 2 makes still reports the one monitor of
    # start-up.
    xrandr >/dev/null
    export XORG_TWO_MONITORS="${w1}x${h1}+0+0 ${w2}x${h2}+${w1}+0"
fi

"$@"
status=$?
finish
trap - EXIT
exit "$status"
