#!/usr/bin/env bash
# e2e_windows.sh -- boxcity.exe under Wine, as a Windows user meets it: one
# file to copy, a GUI program; on a 1920x1080 desktop with a window manager
# the city fills the height, letterboxed, and Escape or Alt+F4 ends it with
# status 0 and no stdout.txt or stderr.txt left behind; with no display, or
# a display without OpenGL, it ends with status 1 and the reason in
# stderr.txt.
#
# Usage: e2e_windows.sh SCENARIO BOXCITY.EXE WINEPREFIX WORKDIR
#   imports           (reads the file only)
#   desktop | close   (need X at 1920x1080 with GLX; start openbox)
#   no-gl             (needs X without GLX)
#   no-display        (runs without any display)
# The Wine prefix is made on first use. Each run ends its wineserver, whose
# desktop process keeps the display it started with.
set -u

scenario=$1 exe=$2 prefix=$3 work=$4
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
run=$work/e2e_windows_$scenario    # the current folder of the program
pid=
aux=()

cleanup() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
    wineserver -k 2>/dev/null
    local p
    for p in "${aux[@]}"; do kill "$p" 2>/dev/null; done
}
trap cleanup EXIT

fail() {
    echo "FAIL [$scenario]: $*"
    local f
    for f in "$run"/std*.txt; do [ -f "$f" ] && { echo "--- $f"; head -c 2000 "$f"; echo; }; done
    exit 1
}

# A fresh prefix is made without the display, so that no set-up dialog
# shows on the screen under test; its wineserver must not outlive that.
start() {
    if [ ! -f "$prefix/system.reg" ]; then
        env -u DISPLAY wineboot -i >/dev/null 2>&1 || fail "no Wine prefix in $prefix"
        wineserver -k 2>/dev/null
    fi
    rm -rf "$run" && mkdir -p "$run" || fail "no folder $run"
    (cd "$run" && exec "$@" wine "$exe") &
    pid=$!
}

alive() {
    kill -0 "$pid" 2>/dev/null && [ "$(awk '{print $3}' "/proc/$pid/stat" 2>/dev/null)" != Z ]
}

wait_exit() {
    local end=$((SECONDS + $1))
    while alive && [ "$SECONDS" -lt "$end" ]; do sleep 0.1; done
    alive && fail "still running $1 s after the stop request"
    wait "$pid"
    status=$?
    pid=
}

# The message in stderr.txt, Windows line end and all, and nothing else.
expect_failure() {
    local want=$1
    wait_exit 60
    [ "$status" -eq 1 ] || fail "exit status $status, expected 1"
    [ -e "$run/stdout.txt" ] && fail "stdout.txt left behind"
    [ -f "$run/stderr.txt" ] || fail "no stderr.txt"
    printf '%s\r\n' "$want" | cmp -s - "$run/stderr.txt" || fail "stderr.txt is not: $want"
    return 0
}

expect_clean_end() {
    wait_exit 60
    [ "$status" -eq 0 ] || fail "exit status $status, expected 0"
    [ -e "$run/stdout.txt" ] && fail "stdout.txt left behind"
    [ -e "$run/stderr.txt" ] && fail "stderr.txt left behind"
    return 0
}

start_wm() {
    openbox --sm-disable >"$work/e2e_windows_$scenario.wm" 2>&1 &
    aux+=($!)
    local end=$((SECONDS + 30))
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
        [ "$SECONDS" -lt "$end" ] || fail "openbox did not start"
        sleep 0.1
    done
}

# Screenshots until the lit part of the screen is the box wanted: Wine and
# the first frames take a while to come.
wait_lit_box() {
    local want=$1 shot=$2 end=$((SECONDS + 120)) box=
    while [ "$SECONDS" -lt "$end" ]; do
        alive || fail "ended on its own"
        import -window root "$shot" || fail "no screenshot"
        box=$(convert "$shot" -threshold 0 -format %@ info: 2>/dev/null)
        [ "$box" = "$want" ] && return 0
        sleep 0.5
    done
    fail "lit area of the screen is $box, expected $want"
}

case $scenario in
imports)
    # One file to ship: every DLL it imports comes with Windows. And a GUI
    # program, for which Windows opens no console window.
    dump=$(x86_64-w64-mingw32-objdump -p "$exe") || fail "cannot read $exe"
    grep -q 'Subsystem.*(Windows GUI)' <<<"$dump" || fail "not a program of the GUI subsystem"
    system='(ADVAPI32|GDI32|GLU32|IMM32|KERNEL32|MSVCRT|OLE32|OLEAUT32|OPENGL32|SETUPAPI|SHELL32|USER32|VERSION|WINMM)\.DLL'
    extra=$(awk '/DLL Name:/ { print toupper($3) }' <<<"$dump" | grep -vxE "$system")
    [ -z "$extra" ] || fail "needs DLLs that Windows lacks:" $extra
    ;;
desktop)
    start_wm
    start env
    shot=$work/e2e_windows_desktop.png
    wait_lit_box 1440x1080+240+0 "$shot"
    # The city, not a few stray pixels at the corners of that box.
    lit=$(convert "$shot" -crop 1440x1080+240+0 -threshold 0 -format '%[fx:int(mean*100)]' info:)
    echo "desktop: lit 1440x1080+240+0, $lit % of it; screenshot $shot"
    [ "$lit" -gt 50 ] || fail "only $lit % of the picture is lit"
    sleep 1
    alive || fail "ended on its own"
    xdotool key Escape
    expect_clean_end
    ;;
close)
    # Alt+F4: the window manager asks the window to close.
    start_wm
    start env
    wait_lit_box 1440x1080+240+0 "$work/e2e_windows_close.png"
    xdotool key alt+F4
    expect_clean_end
    ;;
no-gl)
    start env
    expect_failure "Video mode set failed: this display offers no OpenGL (No matching GL pixel format available); a graphics driver with OpenGL is needed"
    ;;
no-display)
    start env -u DISPLAY -u WAYLAND_DISPLAY
    expect_failure "Video initialization failed: no display found (no window can be opened; under Wine, DISPLAY must name an X server that can be opened)"
    ;;
*)
    echo "unknown scenario: $scenario"
    exit 2
    ;;
esac
echo "ok [$scenario]"
