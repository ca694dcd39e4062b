#!/usr/bin/env bash
# e2e_storm.sh -- the real program under a storm of input: random key presses
# and releases (every key but Escape), mouse motion, clicks and wheel, focus
# moving to another window and back, expose events from that window being
# unmapped over ours, and our window hidden and shown. Afterwards the program
# must still be running and still drawing (two screenshots a second apart
# differ), and Escape must end it with status 0 and nothing on stderr.
#
# usage: e2e_storm.sh BOXCITY [SECONDS]   (inside an X server: xvfb-run -a)
# STORM_SEED=n replays the random choices of an earlier run.
set -u

bin=$1
secs=${2:-10}
seed=${STORM_SEED:-$$}
RANDOM=$seed
echo "storm: ${secs} s, seed $seed"

. "$(dirname "${BASH_SOURCE[0]}")/../harness/e2e_lib.sh"
work=$e2e_short
xm=

e2e_on_fail() {
    if [ -s "$work/stderr" ]; then
        echo "--- stderr of boxcity:"
        head -c 4000 "$work/stderr"
    fi
}

limit=60

"$bin" 2>"$work/stderr" &
pid=$!

# Mapped, not merely created: focus and keys need a viewable window.
win=
end=$((SECONDS + limit))
while [ -z "$win" ]; do
    alive || fail "boxcity ended during start-up"
    [ $SECONDS -lt $end ] || fail "no boxcity window after $limit s"
    sleep 0.1
    win=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1)
done

# A second client to take the focus and to cover part of our window.
xmessage -geometry 300x120+200+200 "storm" &
xm=$!
e2e_track "$xm"
other=
end=$((SECONDS + limit))
while [ -z "$other" ]; do
    [ $SECONDS -lt $end ] || fail "the second window did not appear"
    sleep 0.1
    other=$(xdotool search --onlyvisible --classname xmessage 2>/dev/null | head -n 1)
done

keys=(a b c d e f g h i j k l m n o p q r s t u v w x y z 0 1 2 3 4 5 6 7 8 9
      F1 F2 F3 F4 F5 F6 F7 F8 F9 F10 F11 F12 Return space Tab BackSpace Delete
      Insert Home End Prior Next Up Down Left Right minus equal bracketleft
      bracketright semicolon apostrophe grave backslash comma period slash
      Shift_L Shift_R Control_L Control_R Alt_L Alt_R Super_L Menu Caps_Lock
      Num_Lock Scroll_Lock Pause Print KP_0 KP_5 KP_Enter KP_Add KP_Multiply)

# One burst: overlapping key presses and releases with the mouse in between,
# every key released by the end.
burst() {
    local args=() held=() k n
    for _ in $(seq 24); do
        case $((RANDOM % 6)) in
        0|1) k=${keys[RANDOM % ${#keys[@]}]}; args+=(keydown --delay 0 "$k"); held+=("$k") ;;
        2)   if [ ${#held[@]} -gt 0 ]; then
                 n=$((RANDOM % ${#held[@]}))
                 args+=(keyup --delay 0 "${held[n]}")
                 held=("${held[@]:0:n}" "${held[@]:n+1}")
             fi ;;
        3)   args+=(mousemove $((RANDOM % 1024)) $((RANDOM % 768))) ;;
        4)   n=$((RANDOM % 5 + 1)); args+=(mousedown "$n" mouseup "$n") ;;
        5)   n=$((RANDOM % 3 + 1)); args+=(mousedown "$n" mousemove_relative -- $((RANDOM % 41 - 20)) $((RANDOM % 41 - 20)) mouseup "$n") ;;
        esac
    done
    for k in "${held[@]}"; do args+=(keyup --delay 0 "$k"); done
    xdotool "${args[@]}" 2>>"$work/xdotool.log"
    events=$((events + ${#args[@]}))
}

# Focus away and back, and an expose: the other window is mapped over ours
# and unmapped again; now and then our own window is hidden and shown.
focusAndExpose() {
    xdotool windowmap --sync "$other" windowraise "$other" windowfocus "$other" 2>>"$work/xdotool.log"
    burst
    xdotool windowunmap "$other" windowfocus "$win" 2>>"$work/xdotool.log"
    if [ $((RANDOM % 3)) -eq 0 ]; then
        xdotool windowunmap --sync "$win" windowmap --sync "$win" windowfocus "$win" 2>>"$work/xdotool.log"
    fi
}

bursts=0
events=0
end=$((SECONDS + secs))
while [ $SECONDS -lt $end ]; do
    burst
    bursts=$((bursts + 1))
    if [ $((bursts % 4)) -eq 0 ]; then
        focusAndExpose
    fi
    alive || fail "boxcity ended during the storm (after $bursts bursts)"
done
echo "storm: $bursts bursts sent ($events xdotool arguments)"
[ -s "$work/xdotool.log" ] && { echo "--- xdotool said:"; sort "$work/xdotool.log" | uniq -c | head -20; }

e2e_stop "$xm"
# Our window may be between an unmap and its map: wait until it is viewable
# again before giving it the focus.
end=$((SECONDS + limit))
until xdotool search --onlyvisible --pid "$pid" 2>/dev/null | grep -qx "$win"; do
    alive || fail "boxcity ended after the storm"
    [ $SECONDS -lt $end ] || fail "our window stayed unmapped after the storm"
    sleep 0.1
done
xdotool windowraise "$win" windowfocus "$win" 2>>"$work/xdotool.log"
alive || fail "boxcity ended after the storm"

# Each pass drains every queued event before it draws, so the backlog that
# the storm leaves in the queue is worked off first: allow it some seconds.
shot() { import -window root "$work/$1.png" || fail "screenshot failed"; }
shot a
waited=0
while :; do
    sleep 1
    shot b
    changed=$(compare -metric AE "$work/a.png" "$work/b.png" null: 2>&1)
    case $changed in
    ''|*[!0-9]*) fail "compare gave no pixel count: $changed" ;;
    esac
    [ "$changed" -gt 0 ] && break
    alive || fail "boxcity ended after the storm"
    waited=$((waited + 1))
    [ "$waited" -lt "$limit" ] || fail "the picture stood still for $limit s after the storm"
    mv "$work/b.png" "$work/a.png"
done
echo "storm: $changed pixels changed in one second (after $waited s of backlog)"

# A sanitized build checks for leaks on its way out, slowly on a busy machine.
xdotool windowfocus "$win" key Escape
wait_exit "$limit" "boxcity still running $limit s after Escape"
[ "$status" -eq 0 ] || fail "exit status $status after Escape"
[ -s "$work/stderr" ] && fail "boxcity wrote to stderr"
echo "storm: ended by Escape with status 0, stderr empty"
exit 0
