#!/usr/bin/env bash
# e2e_hack.sh -- the screensaver hack as a daemon runs it: what it hands to
# boxcity (the window in SDL_WINDOWID, foreign-window OpenGL, the system
# screensaver allowed, frames synchronised to the display, no arguments),
# and each way it refuses (one line on stderr, status 1 or 2, boxcity never
# started). boxcity is a stand-in that records its arguments and environment,
# at ../../bin/boxcity from a copy of the hack, as the package lays them out.
#
# Usage: e2e_hack.sh SCENARIO HACK XWINDOW [BOXCITY FRAMECOUNT]  (inside an X server)
#   runs       the environment boxcity gets for -window, -window-id, -root
#   refusals   bad command lines, missing windows, no display, no boxcity
#   sharp      the real BOXCITY in a 3840x2160 window: -resolution native far
#              sharper than the software renderer's 1024x768, -fps drawn
#   paced      the real BOXCITY with -max-fps 5, then with -fps as well
#              (frames counted by FRAMECOUNT)
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../harness/e2e_lib.sh"

scenario=$1 E2E_TAG=$1 xwindow=$3 real=${4:-} framecount=${5:-}
tree=$e2e_short/tree
hack=$tree/libexec/xscreensaver/boxcity
record=$e2e_short/ran
mkdir -p "$tree/libexec/xscreensaver" "$tree/bin"
cp "$2" "$hack" || fail "no copy of the hack"
cat >"$tree/bin/boxcity" <<'STANDIN'
#!/bin/sh
{ echo "args $#"; env; } >"$E2E_RECORD"
STANDIN
chmod +x "$tree/bin/boxcity"
[ -n "$real" ] && ln -sf "$(readlink -f "$real")" "$tree/bin/boxcity"
out=$e2e_short/out err=$e2e_short/err

e2e_on_fail() {
    local f
    for f in "$out" "$err" "$record"; do
        [ -s "$f" ] && { echo "--- $f"; head -c 2000 "$f"; echo; }
    done
}

# Runs the hack with the environment assignments and options given.
hack() {
    rm -f "$record"
    E2E_RECORD=$record env "$@" >"$out" 2>"$err"
}

# What boxcity was started with: no arguments, and exactly these variables.
expect_ran() {
    local want
    [ -s "$record" ] || fail "boxcity was not started"
    grep -qx 'args 0' "$record" || fail "boxcity got arguments"
    for want in "$@"; do
        case $want in
        !*) grep -q "^${want#!}=" "$record" && fail "boxcity still got ${want#!}" ;;
        *)  grep -qx "$want" "$record" || fail "boxcity did not get $want" ;;
        esac
    done
    [ -s "$out" ] || [ -s "$err" ] && fail "the hack printed something"
    return 0
}

# A refusal: the status, one line on stderr, nothing on stdout, no boxcity.
expect_refusal() {
    local want=$1 got=$?
    [ "$got" -eq "$want" ] || fail "status $got, expected $want"
    [ "$(wc -l <"$err")" -eq 1 ] && grep -q '^boxcity: ' "$err" || fail "not one line on stderr"
    [ -s "$out" ] && fail "printed on stdout"
    [ -e "$record" ] && fail "boxcity was started anyway"
    echo "refused ($want): $(cat "$err")"
}

# Detail a 2880x2160 picture loses squeezed to 1024x768 and stretched back
# (RMSE, thousandths), and the % of black and of white where -fps draws.
lost() {
    convert "$1" -resize '1024x768!' -resize '2880x2160!' "$1.back.png"
    compare -metric RMSE "$1" "$1.back.png" null: 2>&1 | sed 's/.*(\(.*\))/\1/' |
        awk '{ print int($1 * 1000) }'
}
corner() {
    convert "$1" -crop 180x60+24+2080 -depth 8 -format %c histogram:info:- | awk '{ a += $1 }
        /#000000 / { b += $1 } /#FFFFFF / { w += $1 } END { print int(100 * b / a), int(100 * w / a) }'
}
fps_box() {
    read -r b w < <(corner "$1")
    [ $((b + w)) -ge 95 ] && [ "$b" -ge 10 ] && [ "$w" -ge 10 ]
}

# The real boxcity in the window with OPTIONS, until the 2880x2160 letterbox
# is lit and READY holds for it (kept in SHOT).
real_shot() {   # SHOT READY OPTION...
    local shot=$1 ready=$2 end=$((SECONDS + 120))
    shift 2
    "$hack" -window-id "$window" "$@" >"$out" 2>"$err" &
    pid=$!
    until wait_city_in 2880x2160+480+0 "$shot.screen.png" 120 && convert "$shot.screen.png" \
        -crop 2880x2160+480+0 +repage "$shot" && $ready "$shot"; do
        [ "$SECONDS" -lt "$end" ] || fail "no such picture within 120 s"
    done
    kill -TERM "$pid"
    wait_exit 30
}

size=(64 48)
[ "$scenario" = sharp ] && size=(3840 2160)
coproc owner { "$xwindow" "${size[@]}"; }
e2e_track "$owner_PID"
read -r -t 10 window <&"${owner[0]}" || fail "no foreign window"
settings=(SDL_VIDEO_ALLOW_SCREENSAVER=1 SDL12COMPAT_SYNC_TO_VBLANK=1 BOXCITY_SCREENSAVER=1)

case $scenario in
runs)
    # Its own window: a window id left in the environment must not leak in.
    hack SDL_WINDOWID=12345 "$hack" -window -fps -install -visual best || fail "status $? for -window"
    expect_ran "${settings[@]}" '!SDL_WINDOWID' BOXCITY_SHOW_FPS=1 '!BOXCITY_MAX_FPS'
    # Settings not given are not inherited from the daemon's environment.
    hack BOXCITY_MAX_FPS=7 BOXCITY_SHOW_FPS=1 BOXCITY_RESOLUTION=4x3 \
        "$hack" --window-id "$(printf '0x%x' "$window")" || fail "status $? for --window-id"
    expect_ran "${settings[@]}" "SDL_WINDOWID=$window" SDL_VIDEO_FOREIGN_WINDOW_OPENGL=1 \
        '!BOXCITY_MAX_FPS' '!BOXCITY_SHOW_FPS' '!BOXCITY_RESOLUTION'
    hack "$hack" -window -resolution 1920x1080 -max-fps 0 || fail "status $? for the settings"
    expect_ran "${settings[@]}" BOXCITY_RESOLUTION=1920x1080 BOXCITY_MAX_FPS=0
    hack XSCREENSAVER_WINDOW="$window" "$hack" -root || fail "status $? for -root"
    expect_ran "${settings[@]}" "SDL_WINDOWID=$window" SDL_VIDEO_FOREIGN_WINDOW_OPENGL=1
    # Every option XScreenSaver's settings may pass from boxcity.xml is taken.
    xml=$(dirname "${BASH_SOURCE[0]}")/../../dist/boxcity.xml
    for v in low high default; do xmllint --xpath "string(//number/@$v)" "$xml"; done |
        sed 's/^/--max-fps /' >"$e2e_short/xmlargs" || fail "boxcity.xml is not well-formed"
    xmllint --xpath '//@arg-set' "$xml" | sed 's/^ *arg-set="\(.*\)"$/\1/' >>"$e2e_short/xmlargs"
    while read -r -a arg; do
        hack "$hack" -window "${arg[@]}" || fail "status $? for '${arg[*]}' from boxcity.xml"
        # Each end of the frame-rate slider is a limit handed on, never none.
        [ "${arg[0]}" != --max-fps ] || { [ "${arg[1]}" -ge 1 ] 2>/dev/null &&
            expect_ran BOXCITY_MAX_FPS="${arg[1]}"; } ||
            fail "boxcity.xml's frame-rate slider at ${arg[1]} hands on no limit"
    done <"$e2e_short/xmlargs"
    [ "$(wc -l <"$e2e_short/xmlargs")" -ge 6 ] || fail "boxcity.xml offers too few settings"
    hack "$hack" -help || fail "status $? for -help"
    grep -q '^usage: boxcity ' "$out" || fail "-help prints no usage"
    [ -e "$record" ] && fail "-help started boxcity"
    ;;
refusals)
    hack "$hack" -bogus; expect_refusal 2
    hack "$hack" -window-id; expect_refusal 2
    hack "$hack" -window-id 12x; expect_refusal 2
    hack "$hack" -window -max-fps -5; expect_refusal 2
    hack "$hack" -window -resolution 0x0; expect_refusal 2
    hack "$hack" -root stray; expect_refusal 2
    hack -u XSCREENSAVER_WINDOW "$hack" -root; expect_refusal 1
    hack "$hack" -window-id 0x7ffffff; expect_refusal 1
    hack -u DISPLAY "$hack" -window-id "$window"; expect_refusal 1
    rm "$tree/bin/boxcity"
    hack "$hack" -window; expect_refusal 1
    ;;
sharp)
    # The budget first (no resolution given), then native with -fps, whose
    # box tells the new picture from what the first run left in the window.
    real_shot "$e2e_short/budget.png" true
    real_shot "$e2e_short/sharp.png" fps_box -resolution native -fps
    budget=$(lost "$e2e_short/budget.png") sharp=$(lost "$e2e_short/sharp.png")
    echo "sharp: detail lost squeezed: native $sharp, budget $budget (RMSE x1000); corner % black," \
         "white: -fps $(corner "$e2e_short/sharp.png"), not $(corner "$e2e_short/budget.png")"
    [ -n "${E2E_KEEP:-}" ] && cp "$e2e_short"/*.png "$E2E_KEEP/"
    [ "$sharp" -gt $((budget * 2)) ] || fail "the native picture is not sharper than the budget's"
    fps_box "$e2e_short/budget.png" && fail "a frame-rate box without -fps"
    ;;
paced)
    # The limit holds with the frame rate shown over the picture, too.
    for shown in "" -fps; do
        frames=$e2e_short/frames$shown
        BOXCITY_FRAME_FILE=$frames LD_PRELOAD=$(e2e_preload_link "$framecount" fc.so) \
            "$hack" -window-id "$window" -max-fps 5 $shown >"$out" 2>"$err" &
        pid=$!
        wait_until 60 "no frame drawn" test -s "$frames"
        sleep 1
        n0=$(tr -dc 0-9 <"$frames") t0=$(date +%s.%N) && sleep 6
        rate=$(awk -v n=$(($(tr -dc 0-9 <"$frames") - n0)) -v a="$t0" -v b="$(date +%s.%N)" \
            'BEGIN { printf "%.2f", n / (b - a) }')
        echo "paced${shown:+ $shown}: $rate frames a second"
        awk -v r="$rate" 'BEGIN { exit !(r <= 5.2 && r >= 2) }' ||
            fail "$rate frames a second${shown:+ with $shown}, limit 5"
        kill -TERM "$pid"
        wait_exit 30
    done
    ;;
*)
    echo "unknown scenario: $scenario"
    exit 2
    ;;
esac
echo "ok [$scenario]"
