#!/usr/bin/env bash
# e2e_shell.sh -- the real program on a virtual X display: the ways it ends
# (Escape, a window-close request, SIGTERM), the input it ignores, the one
# line it prints when no display can be set up, a foreign window taken away
# under it, what its first seconds look
# like, on the bare server and on a desktop with a window manager, under a
# Wayland compositor, and ten minutes in a window without its memory growing.
#
# Usage: e2e_shell.sh SCENARIO BOXCITY WORKDIR [HELPER]
#   escape | escape-burst | shift-escape | ignored | sigterm  (need X)
#   close HELPER=shell_xclose                                (needs X)
#   no-driver HELPER=shell_sdlprobe | no-gl HELPER=shell_sdlprobe
#   window-gone HELPER=shell_xwindow                         (needs X)
#   lent-unusable | lent-unusable-compat HELPER=shell_xwindow (needs X)
#   lent-no-gl HELPER=shell_xwindow (needs X without GLX)
#   no-display                                 (runs without any display)
#   screenshot                                 (needs X, 1024x768)
#   desktop          (needs X with openbox; BOXCITY_LETTERBOX: the lit box
#                    expected, 1440x1080+240+0 as on a 1920x1080 screen)
#   no-fbo           (needs X larger than 1024x768 with RandR, openbox)
#   unscaled                                   (needs X, 1920x1080)
#   long-run HELPER=libboxcity-framecount.so   (needs X, 1920x1080, openbox)
#   wayland                                    (needs X, 1024x768x24, weston)
# long-run takes BOXCITY_LONG_SECONDS (600) and samples every 30 s.
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../harness/e2e_lib.sh"

scenario=$1 prog=$2 work=$3 helper=${4:-}
E2E_TAG=$scenario
# Runs of one scenario on several screens may share WORKDIR side by side.
tag=$scenario${BOXCITY_LETTERBOX:+_$BOXCITY_LETTERBOX}
out=$work/e2e_shell_$tag.out
err=$work/e2e_shell_$tag.err

e2e_on_fail() {
    local f
    for f in "$out" "$err"; do
        if [ -s "$f" ]; then
            echo "--- $f"
            head -c 2000 "$f"
            echo
        fi
    done
}

start() {
    "$prog" >"$out" 2>"$err" &
    pid=$!
}

still_running() {
    sleep "$1"
    alive || fail "ended on its own or on input it should ignore"
}

# Generous: a sanitized build checks for leaks on the way out, and on a
# busy machine that takes a while.
expect_clean_end() {
    wait_exit 60
    [ "$status" -eq 0 ] || fail "exit status $status, expected 0"
    [ -s "$out" ] && fail "printed on stdout"
    [ -s "$err" ] && fail "printed on stderr"
    return 0
}

# One failure line: the prefix and SDL's own text for that step, nothing else.
expect_failure_line() {
    local driver=$1 step=$2 prefix=$3 reason
    reason=$(SDL_VIDEODRIVER=$driver "$helper" "$step") ||
        fail "SDL does not fail at '$step' with driver '$driver'; nothing to compare"
    [ -n "$reason" ] || fail "SDL gives no reason text"
    SDL_VIDEODRIVER=$driver start
    wait_exit 10
    [ "$status" -eq 1 ] || fail "exit status $status, expected 1"
    [ -s "$out" ] && fail "printed on stdout"
    printf '%s%s\n' "$prefix" "$reason" >"$work/e2e_shell_$scenario.want"
    cmp -s "$err" "$work/e2e_shell_$scenario.want" ||
        fail "stderr is not exactly: $prefix$reason"
    return 0
}

# Pixel counts of the screenshot: all, not black, and the clouds' grey over
# black. In 16 bits 0.35 becomes 11/31 red and blue (0x5A) and 22/63 green
# (0x59).
count_pixels() {
    convert "$1" -depth 8 -format %c histogram:info:- | awk '
        match($0, /\([0-9]+,[0-9]+,[0-9]+/) {
            n = $1 + 0
            split(substr($0, RSTART + 1, RLENGTH - 1), c, ",")
            all += n
            if (c[1] + c[2] + c[3] > 0) lit += n
            if (c[1] >= 88 && c[1] <= 92 && c[2] >= 87 && c[2] <= 91 && c[3] >= 88 && c[3] <= 92)
                grey += n
        }
        END { printf "%d %d %d\n", all, lit, grey }'
}


# Screenshots of WINDOW into SHOT until more than half of it is lit and at
# least MINGREY pixels are the clouds' grey over black, for 60 s; sets all,
# lit and grey. The first frames take a while on a busy machine, so the
# picture is waited for, not looked at after a fixed time.
wait_shot() {
    local end=$((SECONDS + 60))
    while :; do
        alive || fail "ended on its own"
        import -window "$1" "$2" || fail "no screenshot"
        read -r all lit grey < <(count_pixels "$2")
        [ "$lit" -gt $((all / 2)) ] && [ "$grey" -ge "$3" ] && return 0
        [ "$SECONDS" -lt "$end" ] || return 1
        sleep 0.5
    done
}

case $scenario in
escape)
    start
    wait_window boxcity
    still_running 0.5
    xdotool key Escape
    expect_clean_end
    ;;
escape-burst)
    # Escape goes down and up with more input right behind it, so that the
    # stop request is rarely the last event of its drain.
    start
    wait_window boxcity
    still_running 0.5
    xdotool keydown Escape keyup Escape mousemove_relative 7 7 key a
    expect_clean_end
    ;;
shift-escape)
    start
    wait_window boxcity
    still_running 0.5
    xdotool key shift+Escape
    expect_clean_end
    ;;
ignored)
    start
    wait_window boxcity
    xdotool key a q space Return Tab F1 F4 BackSpace
    xdotool keyup Escape
    xdotool mousemove_relative 40 30 click 1 click 3 mousemove 10 10
    still_running 1.5
    xdotool mousemove 512 384 key Escape
    expect_clean_end
    ;;
sigterm)
    start
    wait_window boxcity
    still_running 0.5
    kill -TERM "$pid"
    expect_clean_end
    ;;
close)
    start
    wait_window boxcity
    still_running 0.5
    "$helper" "$win" || fail "could not send the close request"
    expect_clean_end
    ;;
no-driver)
    expect_failure_line nonexistent init "Video initialization failed: "
    ;;
no-gl)
    expect_failure_line dummy mode "Video mode set failed: "
    ;;
screenshot)
    shot=$work/e2e_shell_screenshot.png
    rm -f "$shot"
    start
    wait_window boxcity
    still_running 1
    wait_shot root "$shot" 1000
    found=$?
    echo "screenshot $shot: $all pixels, $lit not black, $grey cloud grey"
    xdotool key Escape
    expect_clean_end
    [ "$all" -eq $((1024 * 768)) ] || fail "screenshot is not 1024x768"
    [ "$lit" -gt $((all / 2)) ] || fail "less than half of the screen is lit"
    [ "$grey" -ge 1000 ] || fail "hardly any cloud grey over black"
    [ "$found" -eq 0 ] || fail "no such picture within 60 s"
    ;;
window-gone)
    # Drawing into a window another client owns, which that client then
    # destroys mid-run: a normal end, silent, status 0.
    coproc owner { "$helper" 640 480; }
    e2e_track "$owner_PID"
    read -r -t 10 win <&"${owner[0]}" || fail "no foreign window"
    if [ -n "${BOXCITY_GONE_LIB:-}" ]; then
        # Destroyed in the middle of a frame, after the first picture: that
        # frame's swap must not happen.
        gone=$(e2e_preload_link "$BOXCITY_GONE_LIB" lent_gone.so)
        LD_PRELOAD=$gone${LD_PRELOAD:+:$LD_PRELOAD} BOXCITY_GONE_AT=40 SDL_WINDOWID=$win SDL_VIDEO_FOREIGN_WINDOW_OPENGL=1 start
        expect_clean_end
        echo "ok [$scenario, mid-frame]"
        exit 0
    fi
    SDL_WINDOWID=$win SDL_VIDEO_FOREIGN_WINDOW_OPENGL=1 start
    shot=$work/e2e_shell_window-gone.png
    wait_shot "$win" "$shot" 0 || fail "the city is not drawn into the foreign window"
    echo "foreign window $shot: $all pixels, $lit not black"
    echo destroy >&"${owner[1]}"
    read -r -t 10 answer <&"${owner[0]}"
    [ "$answer" = destroyed ] || fail "the window owner did not destroy its window"
    expect_clean_end
    ;;
no-display)
    # No display variable and no driver asked for: SDL 2 would fall back to a
    # driver that shows nothing. The runtime folder is set, as in a login
    # session; without one the Wayland library complains on stderr first.
    rt=$e2e_short/run
    mkdir -m 700 "$rt" || fail "no runtime folder"
    env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER XDG_RUNTIME_DIR="$rt" \
        "$prog" >"$out" 2>"$err" &
    pid=$!
    wait_exit 10
    [ "$status" -eq 1 ] || fail "exit status $status, expected 1"
    [ -s "$out" ] && fail "printed on stdout"
    echo "Video initialization failed: no display found (DISPLAY or WAYLAND_DISPLAY must name one that can be opened)" \
        >"$work/e2e_shell_$scenario.want"
    cmp -s "$err" "$work/e2e_shell_$scenario.want" || fail "stderr is not the no-display line"
    # Outside a login session the Wayland library's complaint comes first.
    env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER -u XDG_RUNTIME_DIR \
        "$prog" >"$out" 2>"$err" &
    pid=$!
    wait_exit 10
    [ "$status" -eq 1 ] || fail "exit status $status without XDG_RUNTIME_DIR, expected 1"
    [ -s "$out" ] && fail "printed on stdout"
    tail -n 1 "$err" | cmp -s - "$work/e2e_shell_$scenario.want" ||
        fail "the no-display line does not end stderr without XDG_RUNTIME_DIR"
    # Asked for by name, the offscreen driver is honoured.
    env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=offscreen XDG_RUNTIME_DIR="$rt" \
        "$prog" >"$out" 2>"$err" &
    pid=$!
    still_running 2
    kill -TERM "$pid"
    expect_clean_end
    ;;
desktop)
    # A desktop with a window manager: the 1024x768 mode scaled to fill the
    # height (or the width), centred, black bars beside it.
    box=${BOXCITY_LETTERBOX:-1440x1080+240+0}
    start_wm
    start
    wait_window boxcity
    wait_city_in "$box" "$work/e2e_shell_$tag.png"
    xdotool key Escape
    expect_clean_end
    ;;
no-fbo)
    # A driver without framebuffer objects (SDL told the extensions are not
    # there): the screen is switched to 1024x768 for the mode, the whole
    # picture on it, and switched back at the end.
    size=$(xrandr | sed -n 's/.* current \([0-9]*\) x \([0-9]*\),.*/\1 x \2/p')
    xrandr | grep -q '^   1024x768_boxcity ' || fail "no 1024x768 mode offered (xserver_run.sh -m)"
    start_wm
    GL_ARB_framebuffer_object=0 GL_EXT_framebuffer_object=0 start
    wait_window boxcity
    wait_city_in 1024x768+0+0 "$work/e2e_shell_no-fbo.png"
    xdotool key Escape
    expect_clean_end
    wait_until 10 "the screen stayed at 1024x768 after the end" \
        eval "xrandr | grep -q ' current $size,'"
    ;;
lent-unusable | lent-unusable-compat)
    # A window in SDL_WINDOWID that cannot be used: status 1 and one line
    # that says which window and why. Debian's sdl12-compat is less plain:
    # its first line is held to what it says, and for a window id of no
    # window that is Xlib's own report.
    coproc owner { "$helper" 64 64 input-only; }
    e2e_track "$owner_PID"
    read -r -t 10 inputonly <&"${owner[0]}" || fail "no input-only window"
    prefix="Video mode set failed: "
    # SDL_WINDOWID | the layer's reason | what sdl12-compat says first
    while IFS='|' read -r id layer compat; do
        [ "$id" = INPUTONLY ] && id=$inputonly
        want=${layer/ID/$id}
        [ "$scenario" = lent-unusable-compat ] && want=$compat
        SDL_WINDOWID=$id SDL_VIDEO_FOREIGN_WINDOW_OPENGL=1 start
        wait_exit 20
        [ "$status" -eq 1 ] || fail "SDL_WINDOWID=$id: exit status $status, expected 1"
        [ -s "$out" ] && fail "SDL_WINDOWID=$id: printed on stdout"
        [ "${want#X Error}" = "$want" ] && want=$prefix$want
        if [ "$scenario" = lent-unusable ]; then
            printf '%s\n' "$want" | cmp -s - "$err" || fail "SDL_WINDOWID=$id: stderr is not exactly: $want"
        else
            head -n 1 "$err" | grep -qF "$want" || fail "SDL_WINDOWID=$id: stderr does not begin with: $want"
        fi
    done <<'EOF'
notanumber|the window ID named by SDL_WINDOWID cannot be used (not a window id)|Invalid SDL_WINDOWID
12345|the window ID named by SDL_WINDOWID cannot be used (no such window)|X Error of failed request:  BadWindow
INPUTONLY|the window ID named by SDL_WINDOWID cannot be used (an input-only window, which nothing can be drawn into)|Could not make GL context current: BadMatch (invalid parameter attributes)
EOF
    ;;
lent-no-gl)
    # A good window lent on a display without OpenGL: the display is what
    # the user must change, not the window.
    coproc owner { "$helper" 64 64; }
    e2e_track "$owner_PID"
    read -r -t 10 id <&"${owner[0]}" || fail "no window to lend"
    SDL_WINDOWID=$id SDL_VIDEO_FOREIGN_WINDOW_OPENGL=1 start
    wait_exit 20
    [ "$status" -eq 1 ] || fail "exit status $status, expected 1"
    want="Video mode set failed: this display offers no OpenGL ("
    [ "$(wc -l <"$err")" -eq 1 ] && head -c ${#want} "$err" | grep -qxF "$want" ||
        fail "stderr is not one line beginning: $want"
    ;;
unscaled)
    # 1920x1080 without a window manager, scaling switched off: the whole
    # city in a 1024x768 window centred on the screen.
    SDL12COMPAT_OPENGL_SCALING=0 start
    wait_window boxcity
    wait_lit_box 1024x768+448+156 "$work/e2e_shell_unscaled.png"
    xdotool key Escape
    expect_clean_end
    ;;
wayland)
    # A compositor nested in the X server; the program talks Wayland to it.
    rt=$e2e_short/run
    mkdir -m 700 "$rt" || fail "no runtime folder"
    XDG_RUNTIME_DIR=$rt weston --no-config --backend=x11-backend.so --socket=wayland-e2e \
        --width=1024 --height=768 --idle-time=0 >"$work/e2e_shell_wayland.weston" 2>&1 &
    e2e_track $!
    wait_until 30 "weston did not start" test -S "$rt/wayland-e2e"
    SDL_VIDEODRIVER=wayland WAYLAND_DISPLAY=wayland-e2e XDG_RUNTIME_DIR=$rt start
    # weston's output fills the X screen; the city fills the output.
    wait_lit_box 1024x768+0+0 "$work/e2e_shell_wayland.png"
    [ -z "$(xdotool search --class boxcity 2>/dev/null)" ] || fail "drew through X, not Wayland"
    read -r all lit grey < <(count_pixels "$work/e2e_shell_wayland.png")
    [ "$lit" -gt $((all / 2)) ] || fail "less than half of the output is lit"
    xdotool mousemove 512 384 key Escape
    expect_clean_end
    ;;
long-run)
    # Ten minutes in a real window, sampled every 30 s. After the first minute
    # the bytes held from malloc may not grow (64 KiB for what is in flight),
    # nor resident memory by more than 8 MiB: it wanders by a few MB as the
    # allocator's heap grows and is trimmed, with nothing leaking.
    secs=${BOXCITY_LONG_SECONDS:-600}
    heap=$work/e2e_shell_long-run.heap
    rm -f "$heap"
    start_wm
    preload=$(e2e_preload_link "$helper" framecount.so)
    BOXCITY_HEAP_FILE=$heap LD_PRELOAD=$preload start
    wait_window boxcity
    t0=$SECONDS
    rss0= heap0= grew=
    for ((t = 30; t <= secs; t += 30)); do
        [ $((t0 + t - SECONDS)) -gt 0 ] && sleep $((t0 + t - SECONDS))
        alive || fail "ended on its own after $t s"
        rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status")
        held=$(tr -dc 0-9 <"$heap" 2>/dev/null)
        echo "long-run: ${t} s, VmRSS $rss kB, malloc in use ${held:-?} bytes"
        if [ "$t" -eq 60 ]; then
            rss0=$rss heap0=${held:-}
            [ -n "$heap0" ] || fail "no heap figure after 60 s (fewer than 100 frames?)"
        elif [ -n "$rss0" ]; then
            [ "$rss" -gt $((rss0 + 8192)) ] && grew="$grew ${t}s:VmRSS=${rss}kB"
            [ "${held:-0}" -gt $((heap0 + 65536)) ] && grew="$grew ${t}s:malloc=${held}B"
        fi
    done
    [ -s "$err" ] && fail "printed on stderr during the run"
    xdotool key Escape
    expect_clean_end
    [ -z "$grew" ] || fail "memory grew after the first minute (VmRSS $rss0 kB, malloc $heap0 bytes at 60 s):$grew"
    ;;
*)
    echo "unknown scenario: $scenario"
    exit 2
    ;;
esac
echo "ok [$scenario]"
