#!/usr/bin/env bash
# xvfb_run.sh -- runs a command on an Xvfb of its own, as `xvfb-run -a` does,
# for the tests that CTest runs side by side. xvfb-run picks a display number
# by its lock file and, at the end, leaves its server dying in the
# background; a test started at that moment could pick the same number and
# reach the dying server instead of its own. Here the server picks a number
# whose sockets it can really bind (-displayfd), and the wrapper waits for it
# to be gone before it returns. The server never resets either (-noreset): by
# default it resets whenever its last client leaves, and a program connecting
# just then (boxcity, while the test's xdotool polls for its window) is turned
# away ("no display found").
#
# Usage: xvfb_run.sh [-a] [-s SERVER-ARGS] COMMAND [ARG...]
#   -a is accepted for xvfb-run's sake (the number is always chosen freely);
#   SERVER-ARGS is split at spaces, as xvfb-run splits it.
set -u

server_args="-screen 0 1280x1024x24"   # xvfb-run's own default
while [ $# -gt 0 ]; do
    case $1 in
    -a) shift ;;
    -s) server_args=$2; shift 2 ;;
    --) shift; break ;;
    *) break ;;
    esac
done
[ $# -gt 0 ] || { echo "usage: xvfb_run.sh [-a] [-s SERVER-ARGS] COMMAND [ARG...]" >&2; exit 2; }

dir=$(mktemp -d /tmp/xvfb.XXXXXX) || exit 1
xvfb=
finish() {
    if [ -n "$xvfb" ]; then
        kill -TERM "$xvfb" 2>/dev/null
        wait "$xvfb" 2>/dev/null
    fi
    rm -rf "$dir"
}
trap finish EXIT
trap 'exit 143' TERM INT HUP

# shellcheck disable=SC2086 # the server's arguments are a list
Xvfb -displayfd 3 $server_args -nolisten tcp -ac -noreset 3>"$dir/display" >"$dir/log" 2>&1 &
xvfb=$!
for _ in $(seq 1 300); do
    [ -s "$dir/display" ] && break
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.1
done
if ! [ -s "$dir/display" ]; then
    echo "xvfb_run.sh: Xvfb did not start:" >&2
    cat "$dir/log" >&2
    exit 1
fi

DISPLAY=:$(head -n 1 "$dir/display")
export DISPLAY
unset XAUTHORITY
"$@"
status=$?
finish
trap - EXIT
exit "$status"
