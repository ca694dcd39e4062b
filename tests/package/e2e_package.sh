#!/usr/bin/env bash
# e2e_package.sh -- the Debian package end to end: it builds, its files pass
# the validators and lintian, and the unpacked screensaver hack works under
# the real XScreenSaver daemon and in a settings-preview-sized window.
#
# Usage: e2e_package.sh STAGE BUILD WORK [HELPER]
#   build                   cpack the build folder BUILD into WORK, unpack
#                           the .deb into WORK/root
#   deb                     the same with a finished package: BUILD is the .deb
#   apt                     install WORK's package with apt, then purge it
#   lint HELPER=LICENSE     desktop-file-validate, appstreamcli, man, lintian,
#                           the licence in the copyright file and metadata
#   daemon                  XScreenSaver on a 1280x1024 X server, as an ordinary
#                           user (on two monitors, xserver_run.sh
#                           --two-monitors: one boxcity per monitor, each lit)
#   preview HELPER=shell_xwindow   the hack in a 320x240 foreign window, on a
#                           1024x768 X server
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../harness/e2e_lib.sh"

stage=$1 build=$2 work=$3 helper=${4:-}
E2E_TAG=$stage
# E2E_PACKAGE_ROOT=/: the package installed, not unpacked into WORK.
root=${E2E_PACKAGE_ROOT:-$work/root}
root=${root%/}
hack=$root/usr/libexec/xscreensaver/boxcity
program=$root/usr/bin/boxcity

# Processes running the unpacked boxcity (the hack becomes it by exec).
running_boxcity() {
    local p
    for p in $(pgrep -x boxcity); do
        [ "$(readlink "/proc/$p/exe" 2>/dev/null)" = "$program" ] && echo "$p"
    done
}

# "FIRST LAST COUNT" of the screenshot's rows that hold any pixel not black.
lit_rows() {
    convert "$1" -threshold 0 -scale "1x$2!" -depth 16 txt:- | awk -F'[ ,:()]+' '
        NR > 1 && $4 + 0 > 0 { if (first == "") first = $2; last = $2; n++ }
        END { printf "%s %s %d\n", (first == "" ? -1 : first), (last == "" ? -1 : last), n }'
}

case $stage in
build|deb)
    rm -rf "$work" && mkdir -p "$work" || fail "no work folder"
    if [ "$stage" = build ]; then
        (cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake") >"$work/cpack.log" 2>&1 ||
            { cat "$work/cpack.log"; fail "cpack failed"; }
        version=$("$(dirname "${BASH_SOURCE[0]}")/../../scripts/version" "$build")
        snap=$build/boxcity-snap
    else
        cp "$build" "$work/" || fail "no package $build"
        version=$(dpkg-deb -f "$build" Version)
        snap=$root/usr/bin/boxcity-snap
    fi
    deb=$(ls "$work"/boxcity_*.deb 2>/dev/null | head -n 1)
    [ -n "$deb" ] || fail "no .deb"
    [ "$(basename "$deb")" = "boxcity_${version}_$(dpkg --print-architecture).deb" ] ||
        fail "the package is $(basename "$deb"), not boxcity_${version}_ARCH.deb"
    ln -sf "$(basename "$deb")" "$work/boxcity.deb"
    mkdir -p "$root" && chmod 755 "$work" "$root"
    dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x failed"
    echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"
    dpkg-deb -c "$deb" | awk '{print $6}'
    for f in usr/bin/boxcity usr/bin/boxcity-snap usr/bin/boxcity-saver usr/libexec/xscreensaver/boxcity \
             usr/share/man/man6/boxcity.6.gz usr/share/man/man1/boxcity-snap.1.gz \
             usr/share/man/man6/boxcity-saver.6.gz \
             usr/bin/boxcity-wallpaper usr/share/man/man6/boxcity-wallpaper.6.gz \
             usr/share/applications/boxcity.desktop usr/share/xscreensaver/config/boxcity.xml \
             usr/share/icons/hicolor/256x256/apps/boxcity.png \
             usr/share/doc/boxcity/copyright usr/share/doc/boxcity/changelog.gz; do
        [ -f "$root/$f" ] || fail "the package lacks /$f"
    done
    ls "$root"/usr/share/metainfo/*.metainfo.xml >/dev/null 2>&1 || fail "no AppStream metadata"
    # The icon is the frame the commands in docs/install.md make.
    "$snap" --seed 42 --frames 600 --png "$work/frame.png" || fail "no frame for the icon"
    convert "$work/frame.png" -gravity center -crop 768x768+0+0 +repage -resize 256x256 -strip "$work/icon.png"
    cmp -s "$work/icon.png" "$root/usr/share/icons/hicolor/256x256/apps/boxcity.png" ||
        fail "the icon is not the frame the commands in docs/install.md make"
    depends=$(dpkg-deb -f "$deb" Depends)
    [[ $depends == *libc6* ]] || fail "Depends does not come from the binaries"
    # apt would meet the classic library's name with the classic library.
    [[ $depends == *"libsdl1.2-compat-shim (>= "* && $depends != *libsdl1.2debian* ]] ||
        fail "Depends does not name sdl12-compat for SDL 1.2: $depends"
    [ "$(dpkg-deb -f "$deb" Suggests)" = xscreensaver ] || fail "no Suggests: xscreensaver"
    ;;
apt)
    # Installed as a user would, everything where the package says, then
    # purged: nothing of it left. A boxcity installed before is not touched.
    dpkg-query -W -f='${Status}' boxcity 2>/dev/null | grep -q "ok installed" &&
        fail "boxcity is installed on this machine already; not replacing it"
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    apt_get() { DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 -y -q "$@"; }
    apt_get install "$(realpath "$work/boxcity.deb")" >"$work/apt.log" 2>&1 ||
        { cat "$work/apt.log"; fail "apt-get install failed"; }
    version=$(dpkg-deb -f "$work/boxcity.deb" Version)
    [ "$(dpkg-query -W -f='${Version}' boxcity)" = "$version" ] || fail "not installed as $version"
    dpkg -L boxcity >"$work/installed.lst"
    missing=$(dpkg-deb -c "$work/boxcity.deb" | awk '{ sub(/^\./, "", $6); print $6 }' | grep -v '/$' |
              while read -r f; do [ -e "$f" ] || echo "$f"; done)
    [ "$(head -n 1 < <(/usr/bin/boxcity-snap --version))" = "boxcity-snap $version" ] ||
        { apt_get purge boxcity >/dev/null 2>&1; fail "the installed boxcity-snap is not $version"; }
    man -w boxcity-snap >/dev/null 2>&1 || missing+=" (man boxcity-snap)"
    apt_get purge boxcity >>"$work/apt.log" 2>&1 || fail "apt-get purge failed"
    [ -z "$missing" ] || fail "not installed: $missing"
    left=$(while read -r f; do [ -f "$f" ] && echo "$f"; done <"$work/installed.lst")
    [ -z "$left" ] || fail "left after purge: $left"
    echo "installed $version with apt ($(wc -l <"$work/installed.lst") paths) and purged it"
    ;;
lint)
    desktop-file-validate "$root"/usr/share/applications/boxcity.desktop || fail "desktop entry"
    appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml || fail "AppStream"
    for page in man6/boxcity.6.gz man1/boxcity-snap.1.gz man6/boxcity-saver.6.gz; do
        warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$root/usr/share/man/$page" 2>&1 >/dev/null)
        [ -z "$warnings" ] || { echo "$warnings"; fail "man warns about $page"; }
    done
    grep -q '<screensaver name="boxcity" _label="Box City">' "$root"/usr/share/xscreensaver/config/boxcity.xml ||
        fail "the screensaver entry is not labelled Box City"
    # The licence: MIT in the machine-readable copyright, the same text as
    # the source's LICENSE, and in the AppStream metadata.
    copyright=$root/usr/share/doc/boxcity/copyright
    head -n 1 "$copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
        fail "the copyright file is not machine-readable"
    awk '/^Files: \*$/ { f = 1 } f && /^License:/ { print; exit }' "$copyright" | grep -qx 'License: MIT' ||
        fail "the copyright file does not license every file under MIT"
    grep -qx 'Copyright (c) 2026 the boxcity developers' "$helper" || fail "LICENSE lacks its copyright line"
    diff <(sed -n '/^Permission is hereby granted/,$p' "$helper") \
         <(awk '/^License: MIT$/ { n++ } n == 2 && /^ / { sub(/^ /, ""); if ($0 == ".") $0 = ""; print }' "$copyright") ||
        fail "LICENSE and the copyright file differ in the MIT text"
    metainfo=$(ls "$root"/usr/share/metainfo/*.metainfo.xml)
    grep -q '<project_license>MIT</project_license>' "$metainfo" || fail "AppStream: no project_license MIT"
    grep -q '<metadata_license>CC0-1.0</metadata_license>' "$metainfo" ||
        fail "AppStream: no metadata_license CC0-1.0"
    # Errors and warnings fail; informational tags are shown only.
    lintian --display-info "$work/boxcity.deb" >"$work/lintian.log" 2>&1
    cat "$work/lintian.log"
    grep -qE '^[EW]: ' "$work/lintian.log" && fail "lintian reports errors or warnings"
    ;;
daemon)
    # The daemon refuses to run hacks as root: it runs as its own user with
    # a temporary home that selects only the unpacked hack. It splits the
    # hack's command line at spaces, and its user may not be able to reach
    # the build folder: both get a copy of the tree in a short folder.
    chmod 755 "$e2e_short"
    if [ -n "$root" ]; then
        cp -a "$root/usr" "$e2e_short/" || fail "could not copy the unpacked tree"
        hack=$e2e_short/usr/libexec/xscreensaver/boxcity
        program=$e2e_short/usr/bin/boxcity
    fi
    home=$e2e_short/home
    mkdir -p "$home"
    cat >"$home/.xscreensaver" <<CONF
mode: one
selected: 0
timeout: 0:30:00
lock: False
fade: False
unfade: False
splash: False
dpmsEnabled: False
programs: GL: $hack --root \\n
CONF
    as_user=()
    if [ "$(id -u)" -eq 0 ]; then
        chown -R nobody "$home"
        as_user=(runuser -u nobody --)
    fi
    as_daemon_user() {
        "${as_user[@]}" env -i HOME="$home" DISPLAY="$DISPLAY" PATH=/usr/bin:/bin "$@"
    }
    two=${XORG_TWO_MONITORS:-}
    log=$work/daemon${two:+-two}.log       # both may run at once
    xsetroot -solid '#ff00ff'               # the desktop, which must not show
    as_daemon_user xscreensaver -no-splash -verbose >"$log" 2>&1 &
    daemon_pid=$!
    e2e_track "$daemon_pid"
    for i in $(seq 1 50); do
        as_daemon_user xscreensaver-command -time >/dev/null 2>&1 && break
        sleep 0.2
    done
    as_daemon_user xscreensaver-command -activate >/dev/null 2>&1 || fail "could not activate"

    shot=$work/daemon${two:+-two}.png
    if [ -n "$two" ]; then
        # The daemon runs one hack per monitor: each city letterboxed to its
        # monitor, the desktop's colour nowhere.
        pid=$daemon_pid
        wait_monitors '#ff00ff' "$shot" 60
        pid=
        count=$(running_boxcity | wc -l)
        [ "$count" -eq 2 ] || fail "$count boxcity processes for two monitors"
        echo "two monitors: both show the city, two boxcity processes; screenshot $shot"
    else
        # The city letterboxed into 1280x1024: 960 rows at 4:3, 32 black
        # above and below.
        for i in $(seq 1 40); do
            sleep 0.5
            import -window root "$shot" 2>/dev/null || continue
            read -r first last rows < <(lit_rows "$shot" 1024)
            [ "$rows" -ge 900 ] && break
        done
        echo "screenshot $shot: rows $first..$last lit ($rows rows)"
        [ -n "$(running_boxcity)" ] || fail "boxcity is not running"
        [ "$first" -eq 32 ] && [ "$last" -eq 991 ] && [ "$rows" -eq 960 ] ||
            fail "the city is not letterboxed to rows 32..991"
    fi

    as_daemon_user xscreensaver-command -deactivate >/dev/null 2>&1 || fail "could not deactivate"
    start=$(date +%s%N)
    while left=$(running_boxcity); [ -n "$left" ]; do
        [ $(( $(date +%s%N) - start )) -lt 3000000000 ] ||
            fail "boxcity still running 3 s after deactivation (pid $left)"
        sleep 0.05
    done
    echo "boxcity gone $(( ($(date +%s%N) - start) / 1000000 )) ms after deactivation"
    sleep 0.5
    e2e_stop "$daemon_pid"
    if grep -nE 'X Error|Bad(Window|Drawable|Match)|boxcity: |abnormally|crashed' "$log"; then
        fail "the daemon's log shows an error from the hack"
    fi
    grep -q 'forked ".*boxcity --root"' "$log" || fail "the daemon never ran the hack"
    ;;
preview)
    coproc owner { "$helper" 320 240; }
    read -r -t 10 win <&"${owner[0]}" || fail "no preview window"
    "$hack" --window-id "$win" >"$work/preview.out" 2>"$work/preview.err" &
    pid=$!
    shot=$work/preview.png
    for i in $(seq 1 40); do
        sleep 0.5
        kill -0 "$pid" 2>/dev/null || fail "the hack ended by itself"
        import -window "$win" "$shot" 2>/dev/null || continue
        read -r first last rows < <(lit_rows "$shot" 240)
        [ "$rows" -ge 200 ] && break
    done
    echo "preview $shot: rows $first..$last of 240 lit"
    [ "$(identify -format %wx%h "$shot")" = 320x240 ] || fail "the screenshot is not 320x240"
    [ "$first" -eq 0 ] && [ "$last" -eq 239 ] || fail "the city does not fill the 4:3 preview"
    kill -TERM "$pid"
    wait "$pid"
    status=$?
    pid=
    [ "$status" -eq 0 ] || fail "exit status $status after SIGTERM, expected 0"
    [ -s "$work/preview.out" ] || [ -s "$work/preview.err" ] && fail "the hack printed something"
    # A window id that names no window: one line, status 1, boxcity never starts.
    "$hack" -window-id 0x7ffffff >"$work/nowin.out" 2>"$work/nowin.err"
    status=$?
    [ "$status" -eq 1 ] || fail "status $status for a window that does not exist, expected 1"
    [ "$(wc -l <"$work/nowin.err")" -eq 1 ] || fail "not one line for a missing window"
    echo "missing window: $(cat "$work/nowin.err")"
    ;;
*)
    echo "unknown stage: $stage"
    exit 2
    ;;
esac
echo "ok [$stage]"
