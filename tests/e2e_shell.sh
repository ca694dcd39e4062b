#!/usr/bin/env bash
# e2e_shell.sh -- the real program on a virtual X display: the ways it ends
# (Escape, a window-close request, SIGTERM), the input it ignores, the one
# line it prints when no display can be set up, and what its first seconds
# look like.
#
# Usage: e2e_shell.sh SCENARIO BOXCITY WORKDIR [HELPER]
#   escape | escape-burst | shift-escape | ignored | sigterm  (need X)
#   close HELPER=shell_xclose                                (needs X)
#   no-driver HELPER=shell_sdlprobe | no-gl HELPER=shell_sdlprobe
#   screenshot                                               (needs X)
#   window-gone HELPER=shell_xwindow                         (needs X)
set -u

scenario=$1 prog=$2 work=$3 helper=${4:-}
out=$work/e2e_shell_$scenario.out
err=$work/e2e_shell_$scenario.err
pid=
win=
status=

show() {
    local f
    for f in "$out" "$err"; do
        if [ -s "$f" ]; then
            echo "--- $f"
            head -c 2000 "$f"
            echo
        fi
    done
}

fail() {
    echo "FAIL [$scenario]: $*"
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
    show
    exit 1
}

start() {
    "$prog" >"$out" 2>"$err" &
    pid=$!
}

# Running and not yet a zombie (a zombie still answers kill -0).
alive() {
    local state
    state=$(awk '{print $3}' "/proc/$pid/stat" 2>/dev/null) || return 1
    [ -n "$state" ] && [ "$state" != Z ]
}

# The program's mapped window (its class is the program's name).
wait_window() {
    local i
    for i in $(seq 1 200); do
        win=$(xdotool search --onlyvisible --class boxcity 2>/dev/null | head -n 1)
        if [ -n "$win" ]; then
            # Keys go to the window under the pointer; there is no window manager.
            xdotool mousemove 512 384
            return 0
        fi
        alive || fail "ended before its window appeared"
        sleep 0.1
    done
    fail "no window within 20 s"
}

still_running() {
    sleep "$1"
    alive || fail "ended on its own or on input it should ignore"
}

wait_exit() {
    local i
    for i in $(seq 1 $(($1 * 10))); do
        alive || break
        sleep 0.1
    done
    alive && fail "still running $1 s after the stop request"
    wait "$pid"
    status=$?
    pid=
}

expect_clean_end() {
    wait_exit 10
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

case $scenario in
escape)
    start
    wait_window
    still_running 0.5
    xdotool key Escape
    expect_clean_end
    ;;
escape-burst)
    # Escape goes down and up with more input right behind it, so that the
    # stop request is rarely the last event of its drain.
    start
    wait_window
    still_running 0.5
    xdotool keydown Escape keyup Escape mousemove_relative 7 7 key a
    expect_clean_end
    ;;
shift-escape)
    start
    wait_window
    still_running 0.5
    xdotool key shift+Escape
    expect_clean_end
    ;;
ignored)
    start
    wait_window
    xdotool key a q space Return Tab F1 F4 BackSpace
    xdotool keyup Escape
    xdotool mousemove_relative 40 30 click 1 click 3 mousemove 10 10
    still_running 1.5
    xdotool mousemove 512 384 key Escape
    expect_clean_end
    ;;
sigterm)
    start
    wait_window
    still_running 0.5
    kill -TERM "$pid"
    expect_clean_end
    ;;
close)
    start
    wait_window
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
    wait_window
    still_running 3
    import -window root "$shot" || fail "no screenshot"
    xdotool key Escape
    expect_clean_end
    read -r all lit grey < <(count_pixels "$shot")
    echo "screenshot $shot: $all pixels, $lit not black, $grey cloud grey"
    [ "$all" -eq $((1024 * 768)) ] || fail "screenshot is not 1024x768"
    [ "$lit" -gt $((all / 2)) ] || fail "less than half of the screen is lit"
    [ "$grey" -ge 1000 ] || fail "hardly any cloud grey over black"
    ;;
window-gone)
    # Drawing into a window another client owns, which that client then
    # destroys mid-run: a normal end, silent, status 0.
    coproc owner { "$helper" 640 480; }
    read -r -t 10 win <&"${owner[0]}" || fail "no foreign window"
    SDL_WINDOWID=$win SDL_VIDEO_FOREIGN_WINDOW_OPENGL=1 start
    still_running 3
    shot=$work/e2e_shell_window-gone.png
    import -window "$win" "$shot" || fail "no screenshot of the foreign window"
    read -r all lit grey < <(count_pixels "$shot")
    echo "foreign window $shot: $all pixels, $lit not black"
    [ "$lit" -gt $((all / 2)) ] || fail "the city is not drawn into the foreign window"
    echo destroy >&"${owner[1]}"
    read -r -t 10 answer <&"${owner[0]}"
    [ "$answer" = destroyed ] || fail "the window owner did not destroy its window"
    expect_clean_end
    ;;
*)
    echo "unknown scenario: $scenario"
    exit 2
    ;;
esac
echo "ok [$scenario]"
