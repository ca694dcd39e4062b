#!/usr/bin/env bash
# saver_cli.sh SAVER -- boxcity-saver without a display: the settings given
# win over the environment's, still read without them (told apart by what is
# refused first: the setting, or the display after it); --idle with no idle
# source; the login entry that --autostart writes and --no-autostart removes.
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../harness/e2e_lib.sh"
saver=$1 dir=$e2e_short
# A clean environment, but for the sanitizers' settings when they are set.
keep=()
for v in ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS LD_PRELOAD; do
    [ -n "${!v+x}" ] && keep+=("$v=${!v}")
done

# Environment, arguments, what the one line on standard error (status 1) starts with.
while IFS='|' read -r env args want; do
    env -i PATH="$PATH" "${keep[@]}" DISPLAY=:99999 XDG_RUNTIME_DIR="$dir" $env timeout 20 "$saver" $args 2>"$dir/err"
    status=$?
    [ "$status" = 1 ] && [ "$(wc -l <"$dir/err")" = 1 ] && grep -q "^$want" "$dir/err" ||
        fail "$env boxcity-saver $args: status $status, expected 1 and '$want...': $(cat "$dir/err")"
done <<'TABLE'
BOXCITY_RESOLUTION=junk||BOXCITY_RESOLUTION: 'junk'
BOXCITY_RESOLUTION=junk|--resolution 640x480|Video initialization failed
BOXCITY_MAX_FPS=junk||BOXCITY_MAX_FPS: 'junk'
BOXCITY_MAX_FPS=junk|--max-fps 30|Video initialization failed
BOXCITY_SHOW_FPS=junk||BOXCITY_SHOW_FPS: 'junk'
BOXCITY_SHOW_FPS=junk|--fps|Video initialization failed
DBUS_SESSION_BUS_ADDRESS=unix:path=/none|--idle 1m|boxcity-saver: the session offers no idle time
TABLE

# The program as the entry names it: quoted where its path holds more than
# plain characters (a clone in a folder with spaces).
path=$(readlink -f "$saver")
case "$path" in *[!A-Za-z0-9/._+=,:-]*) path="\"$path\"" ;; esac

# XDG_CONFIG_HOME, HOME, where the entry must be.
while IFS='|' read -r config home entry; do
    rm -rf "${dir:?}/cfg" "$dir/home"
    HOME=$home XDG_CONFIG_HOME=$config "$saver" --autostart 90s --resolution 800x600 \
        --max-fps 30 --fps >/dev/null || fail "--autostart: status $?"
    desktop-file-validate "$entry" || fail "not a valid entry: $entry"
    exec=$(sed -n 's/^Exec=//p' "$entry")
    [ "$exec" = "$path --idle 90s --resolution 800x600 --max-fps 30 --fps" ] ||
        fail "the entry runs '$exec'"
    HOME=$home XDG_CONFIG_HOME=$config "$saver" --no-autostart >/dev/null &&
        [ ! -e "$entry" ] || fail "--no-autostart left $entry"
done <<TABLE
$dir/cfg|$dir/home|$dir/cfg/autostart/boxcity-saver.desktop
|$dir/home|$dir/home/.config/autostart/boxcity-saver.desktop
relative|$dir/home|$dir/home/.config/autostart/boxcity-saver.desktop
TABLE
echo "ok"
