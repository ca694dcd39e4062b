#!/usr/bin/env bash
# e2e_windows.sh -- boxcity.exe under Wine, as a Windows user meets it: one
# file to copy, a GUI program; on a 1920x1080 desktop with a window manager
# the city fills the height, letterboxed, and Escape or Alt+F4 ends it with
# status 0 and no stdout.txt or stderr.txt left behind; with no display, or
# a display without OpenGL, it ends with status 1 and the reason in
# stderr.txt, and where a window can be shown in a message box as well.
#
# Usage: e2e_windows.sh SCENARIO BOXCITY.EXE WINEPREFIX WORKDIR
#   imports           (reads the file only)
#   resources         (reads the file and WORKDIR's CMakeCache.txt; also for
#                      boxcity.scr)
#   desktop | close   (need X with GLX, at 1920x1080 unless BOXCITY_LETTERBOX
#                     gives the lit box expected; start openbox)
#   no-fbo            (needs X larger than 1024x768 with RandR and GLX)
#   no-gl             (needs X without GLX)
#   no-display        (runs without any display)
# The Wine prefix is made on first use. Each run ends its wineserver, whose
# desktop process keeps the display it started with.
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../harness/e2e_lib.sh"
. "$(dirname "${BASH_SOURCE[0]}")/../harness/e2e_wine.sh"

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
    (cd "$run" && exec "$@" wine "$exe") >"$run.log" 2>&1 &
    pid=$!
}

# A message box titled boxcity holding LINE (Wine's trace of its text),
# closed with Return (its OK button).
answer_box() {
    local box= end=$((SECONDS + 60))
    while [ -z "$box" ]; do
        [ "$SECONDS" -lt "$end" ] || fail "no window titled boxcity within 60 s"
        alive || fail "ended without a message box"
        sleep 0.3
        box=$(xdotool search --onlyvisible --name '^boxcity$' 2>/dev/null | head -n 1)
    done
    grep -qF "$1" "$run.log" || fail "the box does not say: $1"
    sleep 1
    alive || fail "ended while the box was up"
    xdotool key --window "$box" Return 2>/dev/null
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
resources)
    # What Explorer, Properties and the Screen Saver settings show: the icon
    # of dist/boxcity.png at every size, the version of this build, and the
    # manifest Windows reads at start.
    source=$(dirname "${BASH_SOURCE[0]}")/../..
    version=$("$source/scripts/version" "$work") || fail "no project version in $work"
    check_icon "$exe"
    rc=$(x86_64-w64-mingw32-windres -i "$exe" -O rc 2>/dev/null) || fail "cannot read the resources"
    IFS=. read -r -a parts <<<"$version.0.0.0"
    copyright=$(grep -m1 '^Copyright ' "$source/LICENSE")
    name=${exe##*/}
    for want in "FILEVERSION ${parts[0]}, ${parts[1]}, ${parts[2]}, ${parts[3]}" \
                "PRODUCTVERSION ${parts[0]}, ${parts[1]}, ${parts[2]}, ${parts[3]}" \
                "VALUE \"FileVersion\", \"$version\"" "VALUE \"ProductVersion\", \"$version\"" \
                "VALUE \"ProductName\", \"boxcity\"" "VALUE \"LegalCopyright\", \"$copyright\"" \
                "VALUE \"OriginalFilename\", \"$name\"" "VALUE \"InternalName\", \"${name%.*}\"" \
                "VALUE \"FileDescription\", \"boxcity"; do
        grep -qF -- "$want" <<<"$rc" || fail "the version information lacks: $want"
    done
    # The Screen Saver settings list a .scr by its string 1.
    if [ "${name##*.}" = scr ]; then
        grep -qx '  1, "Box City"' <<<"$rc" || fail "no string 1 \"Box City\""
    fi
    wrestool -x --raw --type=24 --name=1 "$exe" >"$run.manifest" 2>/dev/null && [ -s "$run.manifest" ] ||
        fail "no manifest"
    xmllint --noout "$run.manifest" 2>/dev/null || fail "the manifest is not well-formed XML"
    ws2005=http://schemas.microsoft.com/SMI/2005/WindowsSettings
    ws2016=http://schemas.microsoft.com/SMI/2016/WindowsSettings
    for check in "requestedExecutionLevel/@level|asInvoker" \
                 "supportedOS[@Id='{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}']/@Id|{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}" \
                 "dpiAwareness[namespace-uri()='$ws2016']|PerMonitorV2, PerMonitor" \
                 "dpiAware[namespace-uri()='$ws2005']|true/pm"; do
        path=${check%%|*} want=${check#*|}
        got=$(xmllint --xpath "string(//*[local-name()='${path%%[/[]*}']${path#"${path%%[/[]*}"})" \
              "$run.manifest" 2>/dev/null)
        [ "$got" = "$want" ] || fail "manifest: $path is '$got', not '$want'"
    done
    ;;
desktop)
    # BOXCITY_LETTERBOX: the lit box expected on this screen.
    box=${BOXCITY_LETTERBOX:-1440x1080+240+0}
    start_wm
    start env
    shot=$work/e2e_windows_desktop_$box.png
    wait_city_in "$box" "$shot" 120
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
    xrandr | grep -q '^   1024x768_boxcity ' || fail "no 1024x768 mode offered (xserver_run.sh -m)"
    start_wm
    start env GL_ARB_framebuffer_object=0 GL_EXT_framebuffer_object=0
    wait_city_in 1024x768+0+0 "$work/e2e_windows_no-fbo.png" 120
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
    line="Video mode set failed: this display offers no OpenGL (No matching GL pixel format available); a graphics driver with OpenGL is needed"
    start env WINEDEBUG=-all,+msgbox
    answer_box "$line"
    expect_failure "$line"
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
