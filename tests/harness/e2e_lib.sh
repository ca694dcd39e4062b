# shellcheck shell=bash
# e2e_lib.sh -- what the end-to-end scripts share: failing with context,
# clean-up on exit, bounded waits, watching the program under test, and the
# X helpers (a window manager, the program's window, the lit
# part of a screenshot). Source it at the top of a script:
#
#   . "$(dirname "${BASH_SOURCE[0]}")/../harness/e2e_lib.sh"
#
# Variables the scripts use:
#   E2E_TAG        shown in failure lines as "FAIL [TAG]: ..." (unset: "FAIL: ...")
#   pid            the program under test; killed on failure and at exit
#   status         its exit status, set by wait_exit
#   win            its window, set by wait_window
#   e2e_short      a short private folder (/tmp/e2e.XXXXXX) for sockets,
#                  runtime folders and preload links, removed at exit
#
# Functions:
#   fail MESSAGE...           print the failure line, call e2e_on_fail if the
#                             script defines it (to show logs), exit 1
#   e2e_on_exit               if the script defines it, called first at exit
#   e2e_track PID             stop this helper process (TERM) at exit
#   e2e_stop PID              stop a tracked helper process now
#   alive [PID]               running and not a zombie (default: $pid)
#   wait_until SECS MESSAGE COMMAND...
#                             run COMMAND every 0.1 s until it succeeds; fail
#                             with MESSAGE after SECS seconds
#   wait_exit SECS [MESSAGE]  wait for $pid to end, set status; fail if it is
#                             still running after SECS seconds
#   e2e_preload_link LIB NAME make LIB loadable through LD_PRELOAD (which
#                             splits at spaces and colons): prints a link in
#                             $e2e_short named NAME
#   start_wm                  openbox on $DISPLAY, waited for
#   wait_window CLASS         the first visible window of that class, pointer
#                             moved over it; sets win
#   lit_box IMAGE             bounding box of the pixels that are not black,
#                             as WxH+X+Y
#   wait_lit_box BOX SHOT [SECS]
#                             screenshots into SHOT until the lit box is BOX;
#                             fail after SECS (60) seconds or if $pid ends
#   wait_monitors COLOUR SHOT [SECS]
#                             on the server of xserver_run.sh --two-monitors: screenshots
#                             until every monitor shows the city letterboxed
#                             to its shape and no pixel of COLOUR (#RRGGBB);
#                             a script elsewhere sets XORG_TWO_MONITORS and
#                             redefines e2e_shoot FILE (the screenshot)
#
# Scripts run without set -e: each check fails with its own message.

e2e_helpers=()          # helper processes to stop at exit
pid=
status=
win=
e2e_short=$(mktemp -d /tmp/e2e.XXXXXX) || { echo "FAIL: no temporary folder"; exit 1; }

e2e_cleanup() {
    local p
    declare -F e2e_on_exit >/dev/null && e2e_on_exit
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
    for p in "${e2e_helpers[@]}"; do kill -TERM "$p" 2>/dev/null; done
    rm -rf "$e2e_short"
}
trap e2e_cleanup EXIT
trap 'exit 1' INT TERM HUP PIPE   # through the clean-up too

fail() {
    echo "FAIL${E2E_TAG:+ [$E2E_TAG]}: $*"
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
    declare -F e2e_on_fail >/dev/null && e2e_on_fail
    exit 1
}

e2e_track() {
    e2e_helpers+=("$1")
}

e2e_stop() {
    local p kept=()
    kill -TERM "$1" 2>/dev/null
    wait "$1" 2>/dev/null
    for p in "${e2e_helpers[@]}"; do [ "$p" = "$1" ] || kept+=("$p"); done
    e2e_helpers=("${kept[@]}")
}

# Running and not yet a zombie (a zombie still answers kill -0).
alive() {
    local state
    state=$(awk '{print $3}' "/proc/${1:-$pid}/stat" 2>/dev/null) || return 1
    [ -n "$state" ] && [ "$state" != Z ]
}

# Every wait is for a condition, bounded by the clock rather than by a count
# of tries: on a busy machine each try takes longer and start-up is slow.
wait_until() {
    local end=$((SECONDS + $1)) message=$2
    shift 2
    until "$@"; do
        [ "$SECONDS" -lt "$end" ] || fail "$message"
        sleep 0.1
    done
}

wait_exit() {
    local end=$((SECONDS + $1))
    while alive && [ "$SECONDS" -lt "$end" ]; do
        sleep 0.1
    done
    alive && fail "${2:-still running $1 s after the stop request}"
    wait "$pid"
    status=$?
    pid=
}

e2e_preload_link() {
    ln -sf "$(readlink -f "$1")" "$e2e_short/$2" || fail "no link to $1"
    echo "$e2e_short/$2"
}

e2e_wm_ready() {
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

# openbox honours the full-screen request, as common desktops do.
start_wm() {
    openbox --sm-disable >"$e2e_short/openbox.log" 2>&1 &
    e2e_wm=$!
    e2e_track $e2e_wm
    wait_until 30 "openbox did not start" e2e_wm_ready
}

# The program's mapped window. Keys go to the window under the pointer where
# no window manager gives the focus, so the pointer is moved over it.
wait_window() {
    local end=$((SECONDS + 60))
    while [ "$SECONDS" -lt "$end" ]; do
        win=$(xdotool search --onlyvisible --class "$1" 2>/dev/null | head -n 1)
        if [ -n "$win" ]; then
            xdotool mousemove 512 384
            return 0
        fi
        alive || fail "ended before its window appeared"
        sleep 0.1
    done
    # Which windows there were says whether it was never made or never shown;
    # a window manager's complaints say why.
    if [ -n "${e2e_wm:-}" ]; then
        alive "$e2e_wm" || echo "openbox: no longer running"
        sed 's/^/openbox: /' "$e2e_short/openbox.log"
    fi
    fail "no window within 60 s; windows of class $1: $(xdotool search --class "$1" 2>/dev/null |
        while read -r w; do xwininfo -id "$w" | grep -o 'Map State: .*'; done | tr '\n' ' ')"
}

lit_box() {
    convert "$1" -threshold 0 -format %@ info: 2>/dev/null
}

# The first frames take a while to come, and a window manager a while to
# make the window full screen.
wait_lit_box() {
    local want=$1 shot=$2 end=$((SECONDS + ${3:-60})) box=
    while [ "$SECONDS" -lt "$end" ]; do
        alive || fail "ended on its own"
        import -window root "$shot" || fail "no screenshot"
        box=$(lit_box "$shot")
        [ "$box" = "$want" ] && return 0
        sleep 0.5
    done
    fail "lit area of the screen is $box, expected $want"
}

# Screenshots until the lit part of the screen is BOX and the city itself is
# in it (most of it lit), not a few stray pixels at the corners of that box;
# SECONDS (default 60) is the limit, for Wine's slower start.
wait_city_in() {   # BOX SHOT [SECONDS]
    local box=$1 shot=$2 limit=${3:-60} lit=
    local end=$((SECONDS + limit))
    while [ "$SECONDS" -lt "$end" ]; do
        wait_lit_box "$box" "$shot" "$limit"
        lit=$(convert "$shot" -crop "$box" -threshold 0 -format '%[fx:int(mean*100)]' info:)
        if [ "$lit" -gt 50 ]; then
            echo "${scenario:-}: lit $box, $lit % of it; screenshot $shot"
            return 0
        fi
        sleep 0.5
    done
    fail "only $lit % of the picture in $box is lit"
}

# The 4:3 picture's place on a W x H monitor, as WxH+X+Y (the layer's rounding).
e2e_letterbox() {
    local w=$1 h=$2 pw ph
    if [ $((w * 3)) -gt $((h * 4)) ]; then
        ph=$h pw=$(((h * 4 + 1) / 3))
    else
        pw=$w ph=$(((w * 3 + 2) / 4))
    fi
    echo "${pw}x${ph}+$(((w - pw) / 2))+$(((h - ph) / 2))"
}

# "ALL LIT GREY PAINTED": the pixels of the part GEOMETRY of the screenshot,
# those not black, those of the clouds' grey (0.35 of full) and those of
# COLOUR (RRGGBB).
monitor_pixels() {
    convert "$1" -crop "$2" +repage -depth 8 -format %c histogram:info:- | awk -v colour="#$3" '
        match($0, /\([0-9]+,[0-9]+,[0-9]+/) {
            n = $1 + 0
            split(substr($0, RSTART + 1, RLENGTH - 1), c, ",")
            all += n
            if (c[1] + c[2] + c[3] > 0) lit += n
            if (c[1] >= 86 && c[1] <= 92 && c[2] >= 86 && c[2] <= 92 && c[3] >= 86 && c[3] <= 92)
                grey += n
            if (index($0, colour " ")) painted += n
        }
        END { printf "%d %d %d %d\n", all, lit, grey, painted }'
}

# Each monitor: the lit part is exactly the letterboxed picture, more than a
# fifth of the monitor is lit, the clouds' grey (0.35 of full) shows, and the
# desktop's COLOUR shows nowhere.
e2e_shoot() {
    import -window root "$1"
}

wait_monitors() {
    local colour=$1 shot=$2 end=$((SECONDS + ${3:-90})) monitor w h want box counts ok report
    colour=$(tr a-f A-F <<<"${colour#\#}")
    while [ "$SECONDS" -lt "$end" ]; do
        alive || fail "ended on its own"
        e2e_shoot "$shot" 2>/dev/null || { sleep 1; continue; }
        ok=1 report=
        for monitor in $XORG_TWO_MONITORS; do
            w=${monitor%%x*} h=${monitor#*x} h=${h%%+*}
            want=$(e2e_letterbox "$w" "$h")
            box=$(convert "$shot" -crop "$monitor" +repage -threshold 0 -format %@ info: 2>/dev/null)
            counts=$(monitor_pixels "$shot" "$monitor" "$colour")
            read -r all lit grey painted <<<"$counts"
            report+=" [$monitor: lit box $box (want $want), pixels all lit grey desktop = $counts]"
            [ "$box" = "$want" ] && [ "$lit" -gt $((all / 5)) ] && [ "$grey" -gt 1000 ] &&
                [ "$painted" -eq 0 ] || ok=0
        done
        [ "$ok" = 1 ] && return 0
        sleep 1
    done
    fail "not every monitor shows the city:$report"
}
