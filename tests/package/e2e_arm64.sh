#!/usr/bin/env bash
# e2e_arm64.sh STAGE ARM64-DEB AMD64-DEB WORK -- the arm64 package against the amd64 one.
#   deb    unpacked into WORK (WORK/root for `e2e_package.sh lint`): the amd64 one's
#          fields and files, each ELF file built for aarch64, installable on arm64
#   qemu   after deb, on an emulated Cortex-A53 (Pi 3) with arm64 Mesa: the same
#          world states, a close picture, boxcity ends on Escape with status 0
#          (on the X server it is started on: tests/harness/xserver_run.sh)
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../harness/e2e_lib.sh"
stage=$1 arm=$2 amd=$3 work=$4
E2E_TAG=arm64-$stage
qemu=(qemu-aarch64-static -cpu cortex-a53)

if [ "$stage" = deb ]; then
    rm -rf "$work" && mkdir -p "$work" && ln -s arm64 "$work/root" && ln -s "$(realpath "$arm")" "$work/boxcity.deb"
    [ "$(basename "$arm") $(dpkg-deb -f "$arm" Architecture)" = "boxcity_$(dpkg-deb -f "$amd" Version)_arm64.deb arm64" ] ||
        fail "$(basename "$arm") says Architecture: $(dpkg-deb -f "$arm" Architecture)"
    for a in arm64:"$arm" amd64:"$amd"; do
        dpkg-deb -x "${a#*:}" "$work/${a%%:*}" && dpkg-deb -c "${a#*:}" | awk '$6 != "./" { print $1, $2, $6 }' >"$work/${a%%:*}.lst"
        dpkg-deb -f "${a#*:}" Version Depends Suggests Section Description >>"$work/${a%%:*}.lst"
    done
    diff "$work/amd64.lst" "$work/arm64.lst" || fail "the fields or the files (paths, modes, owners) differ from amd64's"
    while read -r f; do
        what=$(file -b "$work/arm64/$f")
        [[ $what != ELF* ]] || [[ $what == *", ARM aarch64,"* ]] || fail "/$f is not an arm64 program: $what"
        [[ $what == ELF* ]] || cmp -s "$work/arm64/$f" "$work/amd64/$f" || fail "/$f differs from amd64's"
    done < <(find "$work/arm64" -type f -printf '%P\n')
    apt-get -s -q install "$(realpath "$arm")" >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "not installable"; }
    echo "$(basename "$arm"): $(stat -c %s "$arm") bytes (amd64: $(stat -c %s "$amd"))"
elif [ "$stage" = qemu ]; then
    snap=usr/bin/boxcity-snap t=$SECONDS
    [ "$("${qemu[@]}" "$work/arm64/$snap" --version | head -n 1)" = "boxcity-snap $(dpkg-deb -f "$arm" Version)" ] ||
        fail "boxcity-snap --version does not name the package's version"
    for run in "1 1" "42 600" "4294967295 250"; do
        read -r seed frames <<<"$run"
        "${qemu[@]}" "$work/arm64/$snap" --seed "$seed" --frames "$frames" --state "$work/arm.state" || fail "status $?"
        "$work/amd64/$snap" --seed "$seed" --frames "$frames" --state "$work/amd.state" && cmp "$work/"{arm,amd}.state ||
            fail "seed $seed frame $frames: the world differs"
    done
    "${qemu[@]}" "$work/arm64/$snap" --seed 42 --frames 600 --png "$work/arm.png" || fail "--png: status $?"
    "$work/amd64/$snap" --seed 42 --frames 600 --png "$work/amd.png"
    psnr=$(compare -metric PSNR "$work/"{arm,amd}.png null: 2>&1)   # 60 dB; one frame later: 19
    echo "states and picture in $((SECONDS - t)) s: PSNR $psnr dB against amd64" && t=$SECONDS
    [ "$psnr" = inf ] || awk -v p="$psnr" 'BEGIN { exit !(p + 0 >= 40) }' || fail "the picture differs"
    "${qemu[@]}" "$work/arm64/usr/bin/boxcity" &
    pid=$!
    # The first frame takes most of a minute under emulation: Escape once it is on the screen.
    drawn() {
        alive || fail "ended before the city was drawn"
        import -window root "$work/screen.png" 2>/dev/null && [ "$(convert "$work/screen.png" -threshold 0 -format '%[fx:mean > 0.2]' info:)" = 1 ]
    }
    wait_until 240 "the city not drawn within 240 s" drawn
    wait_window boxcity
    xdotool key Escape
    echo "boxcity drew the city after $((SECONDS - t)) s" && t=$SECONDS
    wait_exit 240
    [ "$status" -eq 0 ] || fail "status $status after Escape"
    echo "boxcity ended with status 0 $((SECONDS - t)) s after Escape"
else
    echo "unknown stage: $stage" && exit 2
fi
echo "ok [$stage]"
