#!/usr/bin/env bash
# e2e_valgrind.sh -- the real program under valgrind's memcheck for a number
# of drawn frames, ended with Escape. Fails on any error memcheck reports
# after the suppressions for the libraries underneath (tests/harness/valgrind.supp):
# an invalid read or write, a use of uninitialised memory, or a block
# definitely lost by boxcity's own code; and on an exit status other than 0.
#
# Frames are counted by a preload library (libboxcity-framecount.so, next to
# the test programs), since under memcheck and a software renderer a frame
# takes seconds and how many depends on the machine.
#
# usage: e2e_valgrind.sh BOXCITY FRAMECOUNT_LIB SUPPRESSIONS [FRAMES]
#        (inside an X server: xvfb-run -a)
set -u

bin=$1
shim=$2
supp=$3
frames=${4:-120}
limit=${VALGRIND_TEST_LIMIT:-3000}    # seconds to wait for the frames

. "$(dirname "${BASH_SOURCE[0]}")/../harness/e2e_lib.sh"
work=$e2e_short

e2e_on_fail() {
    if [ -s "$work/memcheck.log" ]; then
        echo "--- memcheck:"
        grep -v '^==[0-9]*== *$' "$work/memcheck.log" | tail -n 200
    fi
}

count() {
    local n
    n=$(tr -dc '0-9' 2>/dev/null <"$work/frames")
    echo "${n:-0}"
}

preload=$(e2e_preload_link "$shim" framecount.so)
start=$SECONDS
BOXCITY_FRAME_FILE="$work/frames" LD_PRELOAD="$preload" \
valgrind --tool=memcheck --error-exitcode=97 --leak-check=full \
    --show-leak-kinds=definite --errors-for-leak-kinds=definite \
    --num-callers=40 --keep-debuginfo=yes --gen-suppressions=all \
    --suppressions="$supp" --log-file="$work/memcheck.log" \
    "$bin" 2>"$work/stderr" &
pid=$!

reported=0
while [ "$(count)" -lt "$frames" ]; do
    alive || fail "boxcity ended after $(count) frames"
    [ $((SECONDS - start)) -lt "$limit" ] || fail "only $(count) of $frames frames in $limit s"
    if [ $((SECONDS - reported)) -ge 60 ]; then
        echo "valgrind: $(count) frames after $((SECONDS - start)) s"
        reported=$SECONDS
    fi
    sleep 1
done
drawn=$(count)
echo "valgrind: $drawn frames after $((SECONDS - start)) s, sending Escape"

xdotool key Escape
wait_exit 300 "boxcity still running 300 s after Escape"
echo "valgrind: ended after $((SECONDS - start)) s, $(count) frames in all"

# One summary per process: boxcity and any child that a library forks.
grep -E 'ERROR SUMMARY|definitely lost:|indirectly lost:|suppressed:' "$work/memcheck.log" |
    sed 's/^==\([0-9]*\)== */valgrind [pid \1]: /'
grep -qE 'Invalid (read|write)' "$work/memcheck.log" && fail "memcheck saw an invalid read or write"
[ "$status" -eq 97 ] && fail "memcheck reported errors"
[ "$status" -eq 0 ] || fail "exit status $status"
[ -s "$work/stderr" ] && fail "boxcity wrote to stderr: $(head -c 2000 "$work/stderr")"
exit 0
