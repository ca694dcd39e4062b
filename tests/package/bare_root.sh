#!/usr/bin/env bash
# bare_root.sh -- the packages as a user gets them: installed with apt into a
# bare Debian 12 root (mmdebstrap minbase), run there, upgraded, removed and
# purged; the arm64 package the same in an arm64 root run through qemu-user.
#
# Usage: bare_root.sh STAGE ...
#   amd64 DEB OLD WORK       DEB installed from bare: sdl12-compat as its SDL 1.2
#                            library, the libraries the build machine loaded,
#                            the city letterboxed on a desktop (Xvfb and openbox
#                            in the root), the hack under the XScreenSaver
#                            daemon, boxcity-saver --version, boxcity-snap --png
#                            as the build machine draws it; removed and purged
#                            without a trace. Then OLD (the last release's)
#                            installed and upgraded to DEB: nothing lost,
#                            nothing left over; purged.
#   arm64 ARM-DEB AMD-DEB WORK   in an arm64 root: installed, every program of
#                            the amd64 package there, its libraries, the world
#                            states of amd64, boxcity drawing on this machine's
#                            X server ($DISPLAY: tests/harness/xserver_run.sh);
#                            purged without a trace.
# A root is built once for its package list and the archive's state as this
# machine last saw it (its apt lists), and kept with the packages apt fetched
# into it in BOXCITY_ROOT_CACHE (default /var/cache/boxcity).
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../harness/e2e_lib.sh"

stage=$1
E2E_TAG=bare-$stage
src=$(realpath "$(dirname "${BASH_SOURCE[0]}")/../..")
cache=${BOXCITY_ROOT_CACHE:-/var/cache/boxcity}
# What the checks themselves run in the amd64 root; none of it brings an SDL.
tools=xvfb,xauth,openbox,xdotool,x11-utils,x11-xserver-utils,imagemagick,xscreensaver,procps
# A root is thrown away after the run: dpkg need not wait for the disk.
apt_opts="-y -q -o APT::Install-Recommends=false -o DPkg::Options::=--force-unsafe-io"

# The Debian archive this machine installs from, as one-line sources: the
# root sees the same archive and nothing else.
debian_sources() {
    python3 - <<'PY'
import glob, re
out = []
for path in ["/etc/apt/sources.list"] + sorted(glob.glob("/etc/apt/sources.list.d/*.list")):
    try:
        lines = open(path).read().splitlines()
    except OSError:
        continue
    for line in lines:
        m = re.match(r"\s*deb\s+(?:\[[^\]]*\]\s*)?(\S+)\s+(\S+)\s+(.*)$", line)
        if m:
            out.append((m[1], m[2], m[3].split()))
for path in sorted(glob.glob("/etc/apt/sources.list.d/*.sources")):
    for stanza in re.split(r"\n\s*\n", open(path).read()):
        f = dict(re.findall(r"^([A-Za-z-]+):[ \t]*(.*)$", stanza, re.M))
        if "deb" in f.get("Types", "").split() and f.get("Enabled", "yes").lower() != "no":
            out += [(u, s, f.get("Components", "").split()) for u in f.get("URIs", "").split()
                    for s in f.get("Suites", "").split()]
for uri, suite, components in out:
    if re.search(r"/debian(-security)?/?$", uri) and suite.startswith("bookworm"):
        print("deb", uri, suite, " ".join(components))
PY
}

# The root's tarball for ARCH and package list, built when there is none.
root_tarball() {   # ARCH INCLUDE
    local arch=$1 include=$2 key tar
    mkdir -p "$cache" || fail "no cache folder $cache"
    debian_sources >"$cache/sources.list"
    [ -s "$cache/sources.list" ] || fail "no Debian archive in this machine's apt sources"
    key=$( { echo "$arch $include"; cat "$cache/sources.list"; grep -h '^Date:' /var/lib/apt/lists/*_InRelease; } |
          sha256sum | cut -c1-16)
    tar=$cache/root-$arch-$key.tar
    if ! [ -f "$tar" ]; then
        local t=$SECONDS
        rm -f "$cache"/root-"$arch"-*.tar
        mmdebstrap --arch="$arch" --variant=minbase --format=tar ${include:+--include="$include"} \
            --aptopt='APT::Install-Recommends "false"' --skip=cleanup/apt/lists \
            bookworm "$tar.part" "$cache/sources.list" >"$cache/mmdebstrap-$arch.log" 2>&1 ||
            { tail -n 20 "$cache/mmdebstrap-$arch.log"; rm -f "$tar.part"; fail "mmdebstrap failed for $arch"; }
        mv "$tar.part" "$tar"
        echo "built the $arch root in $((SECONDS - t)) s" >&2
    fi
    echo "$tar"
}

# ARCH's root unpacked into WORK/root, with what the runs in it need.
make_root() {   # ARCH INCLUDE
    local tar
    tar=$(root_tarball "$1" "$2") || exit 1
    rm -rf "$root" "$out" && mkdir -p "$root" "$out" "$cache/archives-$1/partial" || fail "no root folder"
    tar -xf "$tar" -C "$root" || fail "could not unpack $tar"
    mkdir -p "$root/src" "$root/out" "$root/debs" "$root/tmp/.X11-unix"
    : >"$root/etc/resolv.conf"
    archives=$cache/archives-$1
    [ -z "$(in_root dpkg-query -W -f '${Package}\n' 'libsdl*' 2>/dev/null)" ] || fail "the bare root holds an SDL already"
}

# COMMAND in the root, in a mount namespace of its own: its mounts end with it.
in_root() {
    unshare --mount --propagation private -- bash -c '
        r=$1 src=$2 out=$3 archives=$4 x11=$5; shift 5
        mount -t proc proc "$r/proc" && mount --rbind /dev "$r/dev" && mount --rbind /sys "$r/sys" &&
            mount -o bind,ro "$src" "$r/src" && mount --bind "$out" "$r/out" &&
            mount --bind "$archives" "$r/var/cache/apt/archives" &&
            mount -o bind,ro /etc/resolv.conf "$r/etc/resolv.conf" || exit 125
        [ -z "$x11" ] || mount --bind /tmp/.X11-unix "$r/tmp/.X11-unix" || exit 125
        exec chroot "$r" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
            DEBIAN_FRONTEND=noninteractive ${DISPLAY:+DISPLAY=$DISPLAY} "$@"' \
        _ "$root" "$src" "$out" "$archives" "${share_x11:-}" "$@"
}

# The root's paths, but for the mounts and what apt, dpkg and the test runs
# keep for themselves.
snapshot() {   # FILE (in /out)
    in_root bash -c 'find / -xdev \( -path /proc -o -path /sys -o -path /dev -o -path /src -o -path /out \
        -o -path /debs -o -path /tmp -o -path /run -o -path /root -o -path /var/log -o -path /var/lib/dpkg \
        -o -path /var/lib/apt -o -path /var/cache \) -prune -o -print | LC_ALL=C sort >"$1"' _ "$1"
}

# Paths new since FILE that no installed package holds (dpkg may know a
# file by its path before /usr was merged).
left_behind() {   # FILE (in /out)
    snapshot /out/now.lst
    in_root bash -c 'LC_ALL=C comm -13 "$1" /out/now.lst |
        LC_ALL=C comm -23 - <(sed "p; s|^/\(bin\|sbin\|lib\)|/usr/\1|" /var/lib/dpkg/info/*.list | LC_ALL=C sort -u)' _ "$1"
}

# Runs side by side share the fetched packages, one apt at a time.
apt_in_root() {
    # shellcheck disable=SC2086 # the options are a list
    { flock 9 && in_root apt-get $apt_opts "$@"; } 9>"$archives.lock" >>"$out/apt.log" 2>&1 ||
        { tail -n 25 "$out/apt.log"; return 1; }
}

# "PACKAGE VERSION" of each library PROGRAMs load, here or in the root
# (arm64's names without their architecture).
loaded() {   # here|root PROGRAM...
    local where=$1
    shift
    local run=()
    [ "$where" = root ] && run=(in_root)
    "${run[@]}" bash -c 'grep -lxF -f <(for p; do ldd "$p"; done | sed -n "s/.* => \(\/[^ ]*\) .*/\1/p" |
            while read -r lib; do
                # dpkg knows a file by the path its package gave (merged /usr).
                f=$(readlink -f "$lib") && echo "$f" && echo "${f#/usr}"
            done) /var/lib/dpkg/info/*.list | sed "s|.*/||; s|\.list\$||" |
        xargs dpkg-query -W -f "\${Package} \${Version}\n" | sort -u' _ "$@"
}

# The programs a package holds (its ELF files), as paths from /.
programs() {   # DEB
    dpkg-deb -c "$1" | awk '$1 ~ /^-..x/ { sub(/^\./, "", $6); print $6 }'
}

# The SDL 1.2 library apt chose: sdl12-compat's, never the classic one.
check_sdl() {
    local classic
    classic=$(in_root dpkg-query -W -f '${db:Status-Abbrev}' libsdl1.2debian 2>/dev/null)
    [[ $classic != ii* ]] || fail "apt installed the classic SDL 1.2 library (libsdl1.2debian), not sdl12-compat"
    [[ $(in_root dpkg-query -W -f '${db:Status-Abbrev}' libsdl1.2-compat-shim 2>/dev/null) == ii* ]] ||
        fail "sdl12-compat (libsdl1.2-compat-shim) is not installed"
    in_root readlink -f /usr/lib/"$1"/libSDL-1.2.so.0
}

# Installed with apt, then removed and purged: none of its files left, and
# no file that was not there before (where a snapshot was taken: a bare root
# lacks the files its dependencies' scripts make, mime and font caches, so
# the arm64 root's is taken before a second install).
install_from_bare() {   # DEB (in /debs)
    apt_in_root install "$1" || fail "apt-get install $(basename "$1") failed in the bare root"
    in_root dpkg -L boxcity >"$out/installed.lst"
}
remove_purge() {
    local left
    apt_in_root remove boxcity || fail "apt-get remove failed"
    left=$(in_root bash -c 'while read -r f; do [ -d "$f" ] || ! [ -e "$f" ] || echo "$f"; done' <"$out/installed.lst")
    [ -z "$left" ] || fail "left after remove: $left"
    # Without conffiles, removing has made dpkg forget the package already.
    in_root dpkg --purge boxcity >>"$out/apt.log" 2>&1 || fail "dpkg --purge failed"
    [ -z "$(in_root dpkg-query -W -f '${db:Status-Abbrev}' boxcity 2>/dev/null)" ] || fail "dpkg still knows boxcity after purge"
    if [ -f "$out/bare.lst" ]; then
        left=$(left_behind /out/bare.lst)
        [ -z "$left" ] || fail "left behind after purge: $left"
    fi
}

case $stage in
amd64)
    deb=$2 old=$3 work=$4 new=$2
    root=$work/root out=$work/out
    make_root amd64 "$tools"
    cp "$deb" "$root/debs/this.deb" && cp "$old" "$root/debs/old.deb" && cp "$new" "$root/debs/new.deb" ||
        fail "no packages"
    version=$(dpkg-deb -f "$deb" Version) t=$SECONDS
    # The checks' own packages have made the caches already.
    snapshot /out/bare.lst
    install_from_bare /debs/this.deb
    sdl=$(check_sdl x86_64-linux-gnu) || exit 1
    echo "installed $version from bare in $((SECONDS - t)) s; its SDL 1.2: $sdl"
    # What the tests ran on: the build machine's libraries, the same versions.
    dpkg-deb -x "$deb" "$work/unpacked" || fail "dpkg-deb -x failed"
    mapfile -t progs < <(programs "$deb")
    diff <(loaded here "${progs[@]/#/$work/unpacked}") <(loaded root "${progs[@]}") >"$out/libraries.diff" ||
        { cat "$out/libraries.diff"; fail "the installed programs load other libraries than the build machine's (< here, > root)"; }
    [ "$(in_root boxcity-saver --version | head -n 1)" = "boxcity-saver $version" ] ||
        fail "boxcity-saver --version does not say $version"
    # The same picture as the build machine's.
    in_root boxcity-snap --seed 42 --frames 600 --png /out/root.png || fail "boxcity-snap --png: status $?"
    "$work/unpacked/usr/bin/boxcity-snap" --seed 42 --frames 600 --png "$out/here.png"
    cmp -s "$out/root.png" "$out/here.png" ||
        fail "boxcity-snap --png in the root differs from the build machine's (PSNR $(compare -metric PSNR "$out/"{root,here}.png null: 2>&1) dB)"
    # A fresh root has no font cache: the window manager would build it
    # while boxcity's window waits to be shown.
    in_root fc-cache || fail "fc-cache failed in the root"
    # The README's desktop (1920x1080: 1440x1080 in the middle, bars at the
    # sides), then the hack under the daemon (1280x1024: rows 32..991).
    in_root /src/tests/harness/xserver_run.sh -s "-screen 0 1920x1080x24" \
        bash /src/tests/shell/e2e_shell.sh desktop /usr/bin/boxcity /out || fail "boxcity on the root's desktop"
    in_root env E2E_PACKAGE_ROOT=/ /src/tests/harness/xserver_run.sh -s "-screen 0 1280x1024x24" \
        bash /src/tests/package/e2e_package.sh daemon none /out || fail "the hack under the root's daemon"
    remove_purge
    echo "removed and purged: nothing left after $((SECONDS - t)) s"
    # An upgrade, as from the last release: the new files all there and
    # intact, none of the old ones left.
    snapshot /out/bare.lst
    install_from_bare /debs/old.deb
    apt_in_root install /debs/new.deb ||
        fail "upgrading from $(dpkg-deb -f "$old" Version) to $(dpkg-deb -f "$new" Version) failed"
    [ "$(in_root dpkg-query -W -f '${Version}' boxcity)" = "$(dpkg-deb -f "$new" Version)" ] || fail "not upgraded"
    lost=$(in_root dpkg --verify boxcity) || fail "dpkg --verify failed"
    [ -z "$lost" ] || fail "lost or changed in the upgrade: $lost"
    left=$(in_root bash -c 'LC_ALL=C comm -23 <(LC_ALL=C sort /out/installed.lst) <(dpkg -L boxcity | LC_ALL=C sort) |
        while read -r f; do [ -d "$f" ] || ! [ -e "$f" ] || echo "$f"; done')
    [ -z "$left" ] || fail "left over from $(dpkg-deb -f "$old" Version) after the upgrade: $left"
    in_root dpkg -L boxcity >"$out/installed.lst"
    remove_purge
    echo "upgraded $(dpkg-deb -f "$old" Version) to $(dpkg-deb -f "$new" Version), purged: nothing left after $((SECONDS - t)) s"
    ;;
arm64)
    arm=$2 amd=$3 work=$4
    root=$work/root out=$work/out share_x11=1
    make_root arm64 ""
    cp "$arm" "$root/debs/this.deb" || fail "no package"
    version=$(dpkg-deb -f "$arm" Version) t=$SECONDS
    install_from_bare /debs/this.deb
    sdl=$(check_sdl aarch64-linux-gnu) || exit 1
    echo "installed $version from bare in $((SECONDS - t)) s; its SDL 1.2: $sdl"
    # Every program of the amd64 package, installed and for arm64.
    mapfile -t progs < <(programs "$amd")
    for p in "${progs[@]}"; do
        grep -qx "$p" "$out/installed.lst" || fail "the arm64 package installed no $p"
    done
    dpkg-deb -x "$amd" "$work/amd64" || fail "dpkg-deb -x failed"
    # Less what Debian has for amd64 only (Intel's media SDK, under libavcodec).
    loaded here "${progs[@]/#/$work/amd64}" >"$out/amd64.libs"
    # shellcheck disable=SC2046 # one name a word
    apt-cache policy $(awk '{ print $1 ":arm64" }' "$out/amd64.libs") | sed -n 's/^\(.*\):arm64:$/\1/p' >"$out/arm64.names"
    diff <(awk 'NR == FNR { ok[$1]; next } $1 in ok' "$out/arm64.names" "$out/amd64.libs") <(loaded root "${progs[@]}") \
        >"$out/libraries.diff" ||
        { cat "$out/libraries.diff"; fail "the arm64 programs load other libraries than amd64's (< amd64, > arm64)"; }
    for p in boxcity-snap boxcity-saver; do
        [ "$(in_root "$p" --version | head -n 1)" = "$p $version" ] || fail "$p --version does not say $version"
    done
    for run in "1 1" "42 600" "4294967295 250"; do
        read -r seed frames <<<"$run"
        in_root boxcity-snap --seed "$seed" --frames "$frames" --state /out/arm.state || fail "--state: status $?"
        "$work/amd64/usr/bin/boxcity-snap" --seed "$seed" --frames "$frames" --state "$out/amd.state" &&
            cmp "$out/"{arm,amd}.state || fail "seed $seed frame $frames: the world differs from amd64's"
    done
    echo "programs, libraries and world states as amd64's after $((SECONDS - t)) s"
    in_root boxcity &
    pid=$!
    drawn() {
        alive || fail "ended before the city was drawn"
        import -window root "$out/screen.png" 2>/dev/null &&
            [ "$(convert "$out/screen.png" -threshold 0 -format '%[fx:mean > 0.2]' info:)" = 1 ]
    }
    wait_until 240 "the city not drawn within 240 s" drawn
    wait_window boxcity
    xdotool key Escape
    wait_exit 240
    [ "$status" -eq 0 ] || fail "status $status after Escape"
    echo "boxcity drew the city on this machine's X server and ended on Escape after $((SECONDS - t)) s"
    remove_purge
    snapshot /out/bare.lst
    install_from_bare /debs/this.deb
    remove_purge
    echo "removed and purged, installed again and purged: nothing left after $((SECONDS - t)) s"
    ;;
*)
    echo "unknown stage: $stage"
    exit 2
    ;;
esac
echo "ok [$stage]"
