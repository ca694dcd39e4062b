#!/usr/bin/env bash
# release_version.sh -- the version is written once, in CMake's project(), and
# everything that shows a version follows it.
#
# Usage: release_version.sh STAGE ...
#   artifacts RELEASE WORK   every file of a release folder (scripts/release's
#                            output) and the Windows programs in its kept
#                            build folder WORK carry the version of its source
#   bump SOURCE WORK         a copy of SOURCE with only project(VERSION) changed
#                            (and the changelog entry a release needs):
#                            configured and the versioned parts built in WORK,
#                            each shows the new version
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../harness/e2e_lib.sh"

stage=$1
E2E_TAG=version-$stage

source_version() {   # DIR: a source tree or a build folder
    "$(dirname "${BASH_SOURCE[0]}")/../../scripts/version" "$1" 2>/dev/null
}

# The string value NAME in the version resource of a Windows file, if it has one.
version_string() {
    wrestool -x --raw --type=16 "$1" 2>/dev/null | strings -el | awk -v name="$2" 'f { print; exit } $0 == name { f = 1 }'
}

# A manual page (gzip'ed or not) whose .TH line names "boxcity VERSION".
check_page() {
    local th
    th=$( (gzip -dc "$1" 2>/dev/null || cat "$1") | grep -m1 '^\.TH ')
    grep -q "\"boxcity $2\"" <<<"$th" || fail "$(basename "$1"): $th, not boxcity $2"
}

# What a Linux build folder generates from the version: both manual pages,
# the AppStream release, the package's version, boxcity-snap --version.
check_linux_build() {
    local build=$1 v=$2
    check_page "$build/dist/boxcity.6" "$v"
    check_page "$build/dist/boxcity-snap.1" "$v"
    grep -q "<release version=\"$v\" date=\"[0-9-]*\"/>" "$build"/dist/*.metainfo.xml ||
        fail "AppStream: no <release version=\"$v\">"
    grep -qx "set(CPACK_PACKAGE_VERSION \"$v\")" "$build/CPackConfig.cmake" || fail "CPack's version is not $v"
    [ "$("$build/boxcity-snap" --version | head -n 1)" = "boxcity-snap $v" ] ||
        fail "boxcity-snap --version does not say $v"
}

case $stage in
artifacts)
    release=$(realpath "$2") work=$(realpath "$3")
    src=$(ls -d "$work"/boxcity-*/ | head -n 1)
    v=$(source_version "$src")
    [ -n "$v" ] || fail "no version in $src"
    arch=$(dpkg --print-architecture)
    files=("boxcity-$v.tar.gz" "boxcity_${v}_$arch.deb" "boxcity_${v}_arm64.deb" "boxcity-$v-setup.exe"
           "boxcity-$v-web.zip" "boxcity-$v-lively.zip" "boxcity-$v-wallpaper-engine.zip")
    [ "$(cd "$release" && ls)" = "$(printf '%s\n' "${files[@]}" SHA256SUMS | LC_ALL=C sort)" ] ||
        fail "release holds $(cd "$release" && ls | tr '\n' ' '), not the seven files of $v and SHA256SUMS"
    [ "$(awk '{ print $2 }' "$release/SHA256SUMS")" = "$(printf '%s\n' "${files[@]}")" ] ||
        fail "SHA256SUMS does not list the seven files"
    (cd "$release" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match"
    tmp=$e2e_short

    # The source archive: one folder of the version's name, holding that version.
    tar -xzf "$release/${files[0]}" -C "$tmp" || fail "the source archive does not unpack"
    [ "$(ls "$tmp")" = "boxcity-$v" ] || fail "the source archive holds $(ls "$tmp"), not boxcity-$v/"
    [ "$(source_version "$tmp/boxcity-$v")" = "$v" ] || fail "the source archive is not version $v"
    head -n 1 "$tmp/boxcity-$v/dist/changelog" | grep -q "^boxcity ($v) " ||
        fail "the changelog's newest entry is not $v"
    # The README and the docs name no other version.
    others=$(cat "$tmp/boxcity-$v/README.md" "$tmp/boxcity-$v"/docs/*.md |
             grep -oE 'boxcity[-_][0-9]+\.[0-9]+\.[0-9]+' | grep -v "[-_]$v\$" | sort -u)
    [ -z "$others" ] || fail "the README or the docs name other versions: $others"

    # The package, its manual pages, AppStream release, changelog, boxcity-snap.
    deb=$release/${files[1]}
    [ "$(dpkg-deb -f "$deb" Version)" = "$v" ] || fail "the package's Version is not $v"
    dpkg-deb -x "$deb" "$tmp/root" || fail "the package does not unpack"
    check_page "$tmp/root/usr/share/man/man6/boxcity.6.gz" "$v"
    check_page "$tmp/root/usr/share/man/man1/boxcity-snap.1.gz" "$v"
    grep -q "<release version=\"$v\"" "$tmp"/root/usr/share/metainfo/*.metainfo.xml ||
        fail "the package's AppStream metadata has no release $v"
    gzip -dc "$tmp/root/usr/share/doc/boxcity/changelog.gz" | head -n 1 | grep -q "^boxcity ($v) " ||
        fail "the package's changelog does not begin with $v"
    version_out=$("$tmp/root/usr/bin/boxcity-snap" --version) || fail "boxcity-snap --version: status $?"
    [ "$(head -n 1 <<<"$version_out")" = "boxcity-snap $v" ] ||
        fail "boxcity-snap --version says '$(head -n 1 <<<"$version_out")'"

    # The version resources: the installer's, and the programs' own.
    [ "$(version_string "$release/${files[3]}" ProductVersion)" = "$v" ] ||
        fail "the installer's ProductVersion is not $v"
    [ "$(version_string "$release/${files[3]}" LegalCopyright)" = "$(grep -m1 '^Copyright' "$src/LICENSE")" ] ||
        fail "the installer's LegalCopyright is not the licence's"
    for program in "$src/build-windows/boxcity.exe" "$src/build-windows/boxcity.scr"; do
        [ -f "$program" ] || fail "no $program"
        shown=$(version_string "$program" ProductVersion)
        [ "$shown" = "$v" ] || [ "$shown" = "$v.0" ] || fail "$(basename "$program") says version $shown"
    done

    # The web page says which version it is.
    python3 -c 'import sys, zipfile; sys.stdout.buffer.write(zipfile.ZipFile(sys.argv[1]).read(sys.argv[2]))' \
        "$release/${files[4]}" "boxcity-$v-web/index.html" >"$tmp/index.html" || fail "no index.html in the web zip"
    grep -q "<meta name=\"boxcity-version\" content=\"$v\">" "$tmp/index.html" ||
        fail "the web page does not say version $v"
    # The wallpapers: each host's metadata is JSON naming the page, which is in
    # the zip with all it loads, marked as a wallpaper of this version, and
    # offers the frame limit and resolution.
    python3 - "$v" "$release/${files[5]}" "" LivelyInfo.json FileName LivelyProperties.json \
        "$release/${files[6]}" "boxcity-$v-wallpaper-engine/" project.json file project.json <<'PY' ||
import json, sys, zipfile
for path, top, meta, key, more in zip(*[iter(sys.argv[2:])] * 5):
    read = lambda name: zipfile.ZipFile(path).read(top + name).decode()
    info, settings = json.loads(read(meta)), json.loads(read(more))
    for name in [info[key], "page.js", "page.css", "boxcity.js"]:
        assert top + name in zipfile.ZipFile(path).namelist(), f"{path}: no {top + name}"
    assert f'<html lang="en" data-wallpaper>' in read(info[key]), f"{path}: the page is no wallpaper"
    assert f'<meta name="boxcity-version" content="{sys.argv[1]}">' in read(info[key]), f"{path}: not {sys.argv[1]}"
    assert info.get("Type", 1) == 1 and info.get("type", "web") == "web", f"{path}: not a web wallpaper"
    assert "--pause-event true" == info.get("Arguments", "--pause-event true"), f"{path}: Lively keeps its pause to itself"
    assert sorted(settings.get("general", {}).get("properties", settings)) == ["fps", "resolution"], path
PY
        fail "the wallpapers' metadata (above)"
    echo "every file of release $v names $v"
    ;;
bump)
    source=$(realpath "$2") work=$3
    old=$(source_version "$source")
    new=${old%.*}.$(( ${old##*.} + 1 ))
    rm -rf "$work" && mkdir -p "$work/src" || fail "no work folder"
    (cd "$source" && git archive HEAD) | tar -x -C "$work/src" || fail "no copy of $source"
    src=$work/src
    sed -i "s/^project(boxcity VERSION $old/project(boxcity VERSION $new/" "$src/CMakeLists.txt"
    { printf 'boxcity (%s) unstable; urgency=medium\n\n  * Test entry.\n\n' "$new"
      printf ' -- boxcity developers <boxcity@example.org>  Tue, 01 Jun 2027 12:00:00 +0000\n\n'
      cat "$source/dist/changelog"; } >"$src/dist/changelog"

    build=$work/build
    cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DBOXCITY_BENCH=OFF \
        >"$work/cmake.log" 2>&1 || { cat "$work/cmake.log"; fail "configure failed"; }
    cmake --build "$build" -j2 --target boxcity-snap dist-compressed >>"$work/cmake.log" 2>&1 ||
        { tail -n 30 "$work/cmake.log"; fail "build failed"; }
    check_linux_build "$build" "$new"
    grep -q '\.TH BOXCITY 6 2027-06-01 ' "$build/dist/boxcity.6" ||
        fail "the manual page is not dated by the changelog's newest entry"

    # The web page's <meta> and the Windows build's version (the installer's
    # and any version resource) are settled when they are configured.
    NODE_PATH=/usr/share/nodejs emcmake cmake -S "$src" -B "$work/web" -DCMAKE_BUILD_TYPE=Release \
        -DBOXCITY_WEB=ON -DBUILD_TESTING=OFF >>"$work/cmake.log" 2>&1 || fail "web configure failed"
    grep -q "<meta name=\"boxcity-version\" content=\"$new\">" "$work/web/site/index.html" ||
        fail "the web page does not follow the version"
    # The installer is built whole: scripts/test-release installs it, and the
    # list of installed programs must show the new version.
    (cd "$src" && scripts/package-windows -DBUILD_TESTING=OFF) >>"$work/cmake.log" 2>&1 ||
        { tail -n 30 "$work/cmake.log"; fail "the Windows installer was not built"; }
    [ "$(source_version "$src/build-windows")" = "$new" ] && [ -f "$src/build-windows/boxcity-$new-setup.exe" ] ||
        fail "the Windows build (and so the installer) does not follow the version"
    stale=$(grep -rlE --include='*.rc' "${old//./[.,]}" "$src/build-windows" "$src" 2>/dev/null)
    [ -z "$stale" ] || fail "a version resource still says $old: $stale"
    echo "$old -> $new: manual pages, AppStream, package, boxcity-snap, web page and Windows build follow"
    ;;
*)
    echo "unknown stage: $stage"
    exit 2
    ;;
esac
echo "ok [$stage]"
