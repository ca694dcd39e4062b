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
#   desktop | close   (need X with GLX, at 1920x1080 unless BOXCITY_LETTERBOX
#                     gives the lit box expected; start openbox)
#   no-fbo            (needs X larger than 1024x768 with RandR and GLX)
#   no-gl             (needs X without GLX)
#   no-display        (runs without any display)
# The Wine prefix is made on first use. Each run ends its wineserver, whose
# desktop process keeps the display it started with.
set -u
. "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
. "$(dirname "${BASH_SOURCE[0]}")/e2e_wine.sh"

scenario=$1 exe=$2 prefix=$3 work=$4
E2E_TAG=$scenario
run=$work/e2e_windows_$scenario    # the current folder of the program

e2e_on_fail() {
    local f
    for f in "$run"/std*.txt; do [ -f "$f" ] && { echo "--- $f"; head -c 2000 "$f"; echo; }; done
}

start() {
    wine_prefix "$prefix"
    rm -rf "$run" && mkdir -p "$run" || fail "no folder $run"
    (cd "$run" && exec "$@" wine "$exe") &
    pid=$!
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

# Screenshots until the lit part of the screen is BOX and the city itself is
# in it, not a few stray pixels at the corners of that box.
wait_city_in() {
    local end=$((SECONDS + 120)) lit=
    while [ "$SECONDS" -lt "$end" ]; do
        wait_lit_box "$1" "$2" 120
        lit=$(convert "$2" -crop "$1" -threshold 0 -format '%[fx:int(mean*100)]' info:)
        if [ "$lit" -gt 50 ]; then
            echo "$scenario: lit $1, $lit % of it; screenshot $2"
            return 0
        fi
        sleep 0.5
    done
    fail "only $lit % of the picture in $1 is lit"
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
    # BOXCITY_LETTERBOX: the lit box expected on this screen.
    box=${BOXCITY_LETTERBOX:-1440x1080+240+0}
    start_wm
    start env
    shot=$work/e2e_windows_desktop_$box.png
    wait_city_in "$box" "$shot"
    sleep 1
    alive || fail "ended on its own"
    xdotool key Escape
    expect_clean_end
    ;;
no-fbo)
    # OpenGL without framebuffer objects, as Windows' own OpenGL 1.1 (SDL told
    # the extensions are not there): the screen switched to 1024x768, the
    # whole picture on it, and switched back at the end.
    size=$(xrandr | sed -n 's/.* current \([0-9]*\) x \([0-9]*\),.*/\1 x \2/p')
    xrandr --newmode 1024x768_e2e 63.5 1024 1072 1176 1328 768 771 775 798 -hsync +vsync &&
        xrandr --addmode screen 1024x768_e2e || fail "cannot offer a 1024x768 mode"
    start_wm
    start env GL_ARB_framebuffer_object=0 GL_EXT_framebuffer_object=0
    wait_city_in 1024x768+0+0 "$work/e2e_windows_no-fbo.png"
    xdotool key Escape
    expect_clean_end
    wait_until 20 "the screen stayed at 1024x768 after the end" \
        eval "xrandr | grep -q ' current $size,'"
    ;;
close)
    # Alt+F4: the window manager asks the window to close.
    start_wm
    start env
    wait_lit_box 1440x1080+240+0 "$work/e2e_windows_close.png" 120
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
