#!/usr/bin/env bash
# xorg_two_run.sh -- runs a command on an X server with two monitors side by
# side, as xvfb_run.sh does with one: Xvfb has a single RandR output, so this
# is Xorg with the dummy video driver (a normal X server without hardware,
# with RandR outputs DUMMY0..DUMMY15 and Mesa's GLX, as under Xvfb). The
# server picks a free display number (-displayfd), never resets (-noreset),
# keeps its configuration and log in a folder of its own, and is gone
# before the wrapper returns.
#
# Usage: xorg_two_run.sh [-p WxH] [-s WxH] COMMAND [ARG...]
#   -p  the primary monitor, DUMMY0 at 0,0 (default 1280x1024)
#   -s  the second monitor, DUMMY1 to its right (default 1024x768)
# COMMAND finds the two in XORG_TWO_MONITORS: "W1xH1+0+0 W2xH2+X2+0".
set -u

primary=1280x1024 second=1024x768
while [ $# -gt 0 ]; do
    case $1 in
    -p) primary=$2; shift 2 ;;
    -s) second=$2; shift 2 ;;
    --) shift; break ;;
    *) break ;;
    esac
done
[ $# -gt 0 ] || { echo "usage: xorg_two_run.sh [-p WxH] [-s WxH] COMMAND [ARG...]" >&2; exit 2; }
for size in "$primary" "$second"; do
    [[ $size =~ ^[1-9][0-9]*x[1-9][0-9]*$ ]] || { echo "xorg_two_run.sh: bad size '$size'" >&2; exit 2; }
done
w1=${primary%x*} h1=${primary#*x} w2=${second%x*} h2=${second#*x}

dir=$(mktemp -d /tmp/xorg.XXXXXX) || exit 1
xorg=
finish() {
    if [ -n "$xorg" ]; then
        kill -TERM "$xorg" 2>/dev/null
        wait "$xorg" 2>/dev/null
    fi
    rm -rf "$dir"
}
trap finish EXIT
trap 'exit 143' TERM INT HUP

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
xorg=$!
for _ in $(seq 1 300); do
    [ -s "$dir/display" ] && break
    kill -0 "$xorg" 2>/dev/null || break
    sleep 0.1
done
if ! [ -s "$dir/display" ]; then
    echo "xorg_two_run.sh: Xorg did not start:" >&2
    cat "$dir/out" "$dir/log" >&2
    exit 1
fi
DISPLAY=:$(head -n 1 "$dir/display")
export DISPLAY
unset XAUTHORITY WAYLAND_DISPLAY

# Each monitor gets a mode of its own size (the modeline's timings only
# matter to a real monitor), DUMMY1 to the right of DUMMY0.
monitor() {
    local output=$1 w=$2 h=$3 name="${2}x${3}_boxcity"
    xrandr --newmode "$name" 60 "$w" $((w + 8)) $((w + 16)) $((w + 24)) "$h" $((h + 1)) $((h + 2)) $((h + 3)) &&
        xrandr --addmode "$output" "$name" && echo "$name"
}
if ! mode1=$(monitor DUMMY0 "$w1" "$h1" 2>>"$dir/xrandr") ||
   ! mode2=$(monitor DUMMY1 "$w2" "$h2" 2>>"$dir/xrandr") ||
   ! xrandr --fb "$((w1 + w2))x$((h1 > h2 ? h1 : h2))" --output DUMMY0 --mode "$mode1" --pos 0x0 --primary \
        --output DUMMY1 --mode "$mode2" --right-of DUMMY0 2>>"$dir/xrandr"; then
    echo "xorg_two_run.sh: the two monitors could not be set up:" >&2
    cat "$dir/xrandr" >&2
    exit 1
fi
# A full query makes the server probe its outputs once more; until then the
# cheap query that SDL 2 makes still reports the one monitor of start-up.
xrandr >/dev/null
export XORG_TWO_MONITORS="${w1}x${h1}+0+0 ${w2}x${h2}+${w1}+0"

"$@"
status=$?
finish
trap - EXIT
exit "$status"
