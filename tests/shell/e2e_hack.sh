#!/usr/bin/env bash
# e2e_hack.sh -- the screensaver hack as a daemon runs it: what it hands to
# boxcity (the window in SDL_WINDOWID, foreign-window OpenGL, the system
# screensaver allowed, frames synchronised to the display, no arguments),
# and each way it refuses (one line on stderr, status 1 or 2, boxcity never
# started). boxcity is a stand-in that records its arguments and environment,
# at ../../bin/boxcity from a copy of the hack, as the package lays them out.
#
# Usage: e2e_hack.sh SCENARIO HACK XWINDOW   (inside an X server: xvfb-run -a)
#   runs       the environment boxcity gets for -window, -window-id, -root
#   refusals   bad command lines, missing windows, no display, no boxcity
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../harness/e2e_lib.sh"

scenario=$1 E2E_TAG=$1 xwindow=$3
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

coproc owner { "$xwindow" 64 48; }
e2e_track "$owner_PID"
read -r -t 10 window <&"${owner[0]}" || fail "no foreign window"
settings=(SDL_VIDEO_ALLOW_SCREENSAVER=1 SDL12COMPAT_SYNC_TO_VBLANK=1)

case $scenario in
runs)
    # Its own window: a window id left in the environment must not leak in.
    hack SDL_WINDOWID=12345 "$hack" -window -fps -install -visual best || fail "status $? for -window"
    expect_ran "${settings[@]}" '!SDL_WINDOWID'
    hack "$hack" --window-id "$(printf '0x%x' "$window")" || fail "status $? for --window-id"
    expect_ran "${settings[@]}" "SDL_WINDOWID=$window" SDL_VIDEO_FOREIGN_WINDOW_OPENGL=1
    hack XSCREENSAVER_WINDOW="$window" "$hack" -root || fail "status $? for -root"
    expect_ran "${settings[@]}" "SDL_WINDOWID=$window" SDL_VIDEO_FOREIGN_WINDOW_OPENGL=1
    hack "$hack" -help || fail "status $? for -help"
    grep -q '^usage: boxcity ' "$out" || fail "-help prints no usage"
    [ -e "$record" ] && fail "-help started boxcity"
    ;;
refusals)
    hack "$hack" -bogus; expect_refusal 2
    hack "$hack" -window-id; expect_refusal 2
    hack "$hack" -window-id 12x; expect_refusal 2
    hack "$hack" -root stray; expect_refusal 2
    hack -u XSCREENSAVER_WINDOW "$hack" -root; expect_refusal 1
    hack "$hack" -window-id 0x7ffffff; expect_refusal 1
    hack -u DISPLAY "$hack" -window-id "$window"; expect_refusal 1
    rm "$tree/bin/boxcity"
    hack "$hack" -window; expect_refusal 1
    ;;
*)
    echo "unknown scenario: $scenario"
    exit 2
    ;;
esac
echo "ok [$scenario]"
