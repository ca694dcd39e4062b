#!/usr/bin/env bash
# e2e_arm64.sh -- the arm64 package against the amd64 one of the same
# source: the same files for the other architecture, and, unpacked and run
# under qemu-aarch64 with arm64 Mesa, the same worlds and nearly the same
# pictures (scripts/setup-arm64 installs what it needs).
#
# Usage: e2e_arm64.sh STAGE ARM64-DEB AMD64-DEB WORK
#   deb    unpack both into WORK/arm64, WORK/amd64 (and WORK/root,
#          WORK/boxcity.deb for `e2e_package.sh lint`): the name, Version,
#          Architecture, Depends and every file as the amd64 package's, each
#          ELF file built for aarch64, the dependencies installable on arm64
#   qemu   after deb: boxcity-snap --version, the same --state bytes as the
#          amd64 build for a few seeds and frames, --png close to it (PSNR),
#          boxcity on Xvfb ends on Escape with status 0
set -u
. "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"

stage=$1 arm=$2 amd=$3 work=$4
E2E_TAG=arm64-$stage
qemu=(qemu-aarch64-static -cpu cortex-a53)   # the oldest CPU it is for: Pi 3, Zero 2 W

case $stage in
deb)
    rm -rf "$work" && mkdir -p "$work" || fail "no work folder"
    version=$(dpkg-deb -f "$amd" Version)
    [ "$(basename "$arm")" = "boxcity_${version}_arm64.deb" ] || fail "the package is named $(basename "$arm")"
    for field in Version Depends Suggests Section Description; do
        [ "$(dpkg-deb -f "$arm" "$field")" = "$(dpkg-deb -f "$amd" "$field")" ] ||
            fail "$field differs: '$(dpkg-deb -f "$arm" "$field")' here, '$(dpkg-deb -f "$amd" "$field")' in amd64"
    done
    [ "$(dpkg-deb -f "$arm" Architecture)" = arm64 ] || fail "Architecture: $(dpkg-deb -f "$arm" Architecture)"
    cp "$arm" "$work/" && ln -s "$(basename "$arm")" "$work/boxcity.deb"
    for a in arm64 amd64; do
        deb=$arm; [ "$a" = arm64 ] || deb=$amd
        mkdir -p "$work/$a" && dpkg-deb -x "$deb" "$work/$a" || fail "$a: dpkg-deb -x failed"
        dpkg-deb -c "$deb" | awk '$6 != "./" { print $1, $2, $6 }' >"$work/$a.lst"
    done
    ln -s arm64 "$work/root"
    diff "$work/amd64.lst" "$work/arm64.lst" || fail "the two packages hold different files (modes, owners)"
    # Programs built for aarch64, everything else the amd64 package's bytes.
    elves=0
    while read -r f; do
        [ -f "$work/arm64/$f" ] && [ ! -L "$work/arm64/$f" ] || continue
        what=$(file -b "$work/arm64/$f")
        if [[ $what == ELF* ]]; then
            [[ $what == "ELF 64-bit LSB "*", ARM aarch64,"* ]] || fail "/$f is not an arm64 program: $what"
            elves=$((elves + 1))
        else
            cmp -s "$work/arm64/$f" "$work/amd64/$f" || fail "/$f differs from the amd64 package's"
        fi
    done < <(awk '{ sub(/^\.\//, "", $3); print $3 }' "$work/arm64.lst")
    [ "$elves" -ge 3 ] || fail "only $elves arm64 programs"
    # Every dependency exists for arm64 in this machine's package lists.
    apt-get -s -q install "$(realpath "$arm")" >"$work/apt-s.log" 2>&1 ||
        { cat "$work/apt-s.log"; fail "apt cannot install the package's dependencies for arm64"; }
    echo "$(basename "$arm"): $(stat -c %s "$arm") bytes (amd64: $(stat -c %s "$amd")), $elves arm64 programs"
    ;;
qemu)
    arm_snap=$work/arm64/usr/bin/boxcity-snap amd_snap=$work/amd64/usr/bin/boxcity-snap
    version=$(dpkg-deb -f "$arm" Version)
    [ "$("${qemu[@]}" "$arm_snap" --version | head -n 1)" = "boxcity-snap $version" ] ||
        fail "boxcity-snap --version does not say $version"
    t=$SECONDS
    for run in "1 1" "42 600" "4294967295 250"; do
        read -r seed frames <<<"$run"
        "${qemu[@]}" "$arm_snap" --seed "$seed" --frames "$frames" --state "$work/arm.state" || fail "seed $seed: status $?"
        "$amd_snap" --seed "$seed" --frames "$frames" --state "$work/amd.state" || fail "amd64 seed $seed"
        cmp "$work/arm.state" "$work/amd.state" || fail "seed $seed frame $frames: the world differs"
    done
    echo "the same world states under qemu ($((SECONDS - t)) s)"
    t=$SECONDS
    "${qemu[@]}" "$arm_snap" --seed 42 --frames 600 --png "$work/arm.png" || fail "--png: status $?"
    "$amd_snap" --seed 42 --frames 600 --png "$work/amd.png" || fail "amd64 --png"
    psnr=$(compare -metric PSNR "$work/arm.png" "$work/amd.png" null: 2>&1)
    echo "seed 42 frame 600 under qemu ($((SECONDS - t)) s): PSNR $psnr dB against amd64"
    # Mesa's rasteriser may round a few edges otherwise; a missing layer or
    # a different camera comes out far below.
    [ "$psnr" = inf ] || awk -v p="$psnr" 'BEGIN { exit !(p + 0 >= 40) }' || fail "the picture differs: PSNR $psnr"

    start_x 1024x768x24
    t=$SECONDS
    "${qemu[@]}" "$work/arm64/usr/bin/boxcity" >"$work/boxcity.out" 2>&1 &
    pid=$!
    # Loading arm64 Mesa under emulation takes a good part of a minute;
    # Escape is sent once the city is on the screen.
    drawn() {
        alive || fail "ended before the city was drawn"
        import -window root "$work/screen.png" 2>/dev/null &&
            [ "$(convert "$work/screen.png" -threshold 0 -format '%[fx:mean > 0.2]' info:)" = 1 ]
    }
    wait_until 240 "the city not drawn within 240 s" drawn
    echo "boxcity under qemu on Xvfb: the city drawn after $((SECONDS - t)) s"
    wait_window boxcity
    xdotool key Escape
    t=$SECONDS
    wait_exit 240      # the frame under way first: seconds each under emulation
    [ "$status" -eq 0 ] || { cat "$work/boxcity.out"; fail "status $status after Escape"; }
    echo "boxcity under qemu on Xvfb: Escape, status 0 after $((SECONDS - t)) s"
    stop_x
    ;;
*)
    echo "unknown stage: $stage"
    exit 2
    ;;
esac
echo "ok [$stage]"
