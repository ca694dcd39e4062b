#!/usr/bin/env bash
# e2e_windows_scr.sh -- boxcity.scr and its installer under Wine, on the X
# display in DISPLAY (an Xvfb of 1024x768x24, so that no window manager is
# needed for the full-screen mode): each scenario as Windows or a user would
# do it. All of them share one Wine prefix of their own, made here and
# removed at the end (or, for several runs, the one in E2E_SCR_PREFIX, made
# there if missing and kept).
#
# Usage: e2e_windows_scr.sh SCR SETUP HELPER [SCENARIO...]
#   SCR     boxcity.scr
#   SETUP   boxcity-VERSION-setup.exe
#   HELPER  win_parent_window.exe (a window to preview into)
#   SCENARIO: install saver-mouse saver-key configure bad-option preview
#   settings (all, in that order, when none is named); on the two-monitor
#   server of xserver_run.sh --two-monitors: monitors-key monitors-mouse, and sharp (the
#   second monitor the larger); on an X server without GLX: no-gl
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../harness/e2e_lib.sh"
. "$(dirname "${BASH_SOURCE[0]}")/../harness/e2e_wine.sh"

# Absolute: the programs are started from folders of their own.
scr=$(realpath "$1") setup=$(realpath "$2") helper=$(realpath "$3")
source=$(realpath "$(dirname "${BASH_SOURCE[0]}")/../..")
shift 3
scenarios=("$@")
[ ${#scenarios[@]} -gt 0 ] ||
    scenarios=(install saver-mouse saver-key configure bad-option preview settings)

E2E_TAG=setup
work=$e2e_short
prefix=${E2E_SCR_PREFIX:-$work/prefix}
drive=$prefix/drive_c
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\boxcity'
settings_key='HKCU\Software\boxcity'
failed=0

e2e_on_fail() {
    local f
    for f in "$work"/run/*.txt "$work"/*.log; do
        [ -s "$f" ] && { echo "--- $f"; head -c 2000 "$f"; echo; }
    done
}

# Started from a folder of its own, where the entry glue's stdout.txt and
# stderr.txt would land. Wine traces into wine.log the text of each message
# box and (in channels=+win) each window created. program= runs another.
channels=
start() {
    rm -rf "$work/run"
    mkdir -p "$work/run"
    (cd "$work/run" && WINEDEBUG=-all,+msgbox$channels exec wine "${program:-$scr}" "$@") >"$work/wine.log" 2>&1 &
    pid=$!
}

# A normal run leaves neither of the entry glue's files behind. The wine
# server unlinks a deleted file when it has handled the last close, which may
# come after the process is gone, by seconds on a loaded machine (5 s was
# seen to fall short): waited for up to 30 s, as long as it takes.
expect_no_files() {
    local end=$((SECONDS + 30))
    while [ -e "$work/run/stdout.txt" ] || [ -e "$work/run/stderr.txt" ]; do
        [ "$SECONDS" -lt "$end" ] || fail "left stdout.txt or stderr.txt behind"
        sleep 0.2
    done
}

# A message box with TEXT in it, closed with its OK button (the Return key
# sent to it: with no window manager it need not have the focus).
answer_box() {
    wait_named boxcity
    grep -qF "$1" "$work/wine.log" || fail "the box does not say '$1'"
    xdotool key --window "$named" Return 2>/dev/null
}

expect_status() {
    wait_exit "$2" "still running $2 s after it should have ended"
    [ "$status" -eq "$1" ] || fail "exit status $status, expected $1"
}

# A visible window whose title is exactly NAME (Wine names the X windows
# after the Windows ones), within 60 s; sets named.
wait_named() {
    local end=$((SECONDS + 60))
    while [ "$SECONDS" -lt "$end" ]; do
        named=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
        [ -n "$named" ] && return 0
        alive || fail "ended before a window named '$1' appeared"
        sleep 0.3
    done
    fail "no window named '$1' within 60 s"
}

# Screenshots until the city is there: most of the screen lit, and the
# clouds' grey (0.35 of full) over the black sky.
wait_city() {
    local end=$((SECONDS + 90)) shot=$work/city.png counts
    while [ "$SECONDS" -lt "$end" ]; do
        alive || fail "ended before showing the city"
        import -window root "$shot" 2>/dev/null || { sleep 1; continue; }
        counts=$(monitor_pixels "$shot" "$(identify -format %wx%h+0+0 "$shot")" none)
        read -r all lit grey _ <<<"$counts"
        if [ "$lit" -gt $((all / 5)) ] && [ "$grey" -gt 1000 ]; then
            [ -n "${BOXCITY_SCR_SHOT:-}" ] && cp "$shot" "$BOXCITY_SCR_SHOT"
            return 0
        fi
        sleep 1
    done
    fail "no city on the screen (pixels: all lit grey = $counts)"
}

# ---- scenarios ----

# Silently in: the files where Windows looks for them, the Start-menu entry,
# the uninstall entry. Silently out, as the list of installed programs would
# do it: nothing of it left.
scenario_install() {
    local before=$work/before.lst after=$work/after.lst inst="$drive/Program Files/boxcity"
    local entry quiet uninstaller version
    # What the installer can touch, and nothing else: Wine's own services
    # write into the prefix in the background now and then (the input
    # devices' windows/inf/input.pnf), and only a settled prefix is compared.
    list_files() {
        wineserver -w
        (cd "$drive" && { find "Program Files" "ProgramData/Microsoft/Windows/Start Menu"
                          find windows/system32 -maxdepth 1; } | sort)
    }
    wine cmd /c exit >/dev/null 2>&1    # Wine's first start in this prefix, settled
    list_files >"$before"
    wine "$setup" /S >"$work/wine.log" 2>&1 || fail "installer status $?"
    wineserver -w
    for f in "$inst/boxcity.exe" "$inst/LICENSE.txt" "$inst/uninstall.exe" \
             "$drive/windows/system32/boxcity.scr" \
             "$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/boxcity.lnk"; do
        [ -s "$f" ] || fail "not installed: ${f#"$drive"/}"
    done
    cmp -s "$scr" "$drive/windows/system32/boxcity.scr" || fail "boxcity.scr differs"
    cmp -s "$source/LICENSE" "$inst/LICENSE.txt" || fail "LICENSE.txt is not the project's LICENSE"
    grep -aq 'boxcity\\boxcity.exe' "$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/boxcity.lnk" ||
        fail "the Start-menu entry does not start boxcity.exe"
    entry=$(wine reg query "$uninstall_key" 2>/dev/null | tr -d '\r')
    # The version shown in the list of installed programs is the installer's.
    version=${setup##*/boxcity-} version=${version%-setup.exe}
    for value in "DisplayName +REG_SZ +boxcity$" "DisplayVersion +REG_SZ +${version//./[.]}$" \
                 "Publisher +REG_SZ +." "DisplayIcon +REG_SZ +C:.Program Files.boxcity.boxcity.exe,0$" \
                 "UninstallString +REG_SZ +\"C:.Program Files.boxcity.uninstall.exe\"$" \
                 "QuietUninstallString +REG_SZ +\".*uninstall.exe\" /S$" "EstimatedSize +REG_DWORD"; do
        grep -Eq "^ +$value" <<<"$entry" || fail "uninstall entry lacks '$value':"$'\n'"$entry"
    done
    # boxcity's icon wherever Windows shows the program: the installer, the
    # uninstaller, the Start-menu entry (its icon location: flag 0x40, the
    # index at 0x38, the path in UTF-16) and the list of installed programs.
    check_icon "$setup"
    check_icon "$inst/uninstall.exe"
    check_icon "$inst/boxcity.exe"
    local lnk="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/boxcity.lnk" hex path
    hex=$(od -An -tx1 -v "$lnk" | tr -d ' \n')
    path=$(printf '%s' 'C:\Program Files\boxcity\boxcity.exe' | iconv -t UTF-16LE | od -An -tx1 -v | tr -d ' \n')
    (( $(od -An -tu4 -j20 -N4 "$lnk") & 0x40 )) && [ "$(od -An -td4 -j56 -N4 "$lnk" | tr -d ' ')" = 0 ] &&
        [[ $hex == *"$path"* ]] || fail "the Start-menu entry does not show boxcity.exe's icon"
    # The quiet uninstall command, run as the list of programs runs it; the
    # uninstaller copies itself away and returns at once, so wait for it.
    quiet=$(sed -n 's/^ *QuietUninstallString *REG_SZ *//p' <<<"$entry")
    uninstaller=$(sed -n 's/^"\(.*\)" .*/\1/p' <<<"$quiet")
    wine "$uninstaller" "${quiet##* }" >>"$work/wine.log" 2>&1 || fail "uninstaller status $?"
    wineserver -w
    wine reg query "$uninstall_key" >/dev/null 2>&1 && fail "uninstall entry left"
    list_files >"$after"
    diff -u "$before" "$after" >"$work/left.log" || fail "files left or changed"
}

# The full-screen city, ended by the mouse moving across the screen: a rest
# position first, then moves the way a hand makes them.
scenario_saver-mouse() {
    start /s
    wait_city
    sleep 2
    alive || fail "ended with no input"
    xdotool mousemove 500 380
    sleep 1
    alive || fail "ended on the pointer merely being placed"
    xdotool mousemove 502 381      # a tremble ends nothing
    sleep 1
    alive || fail "ended on a two-pixel tremble"
    for x in 520 560 620; do xdotool mousemove "$x" 400; sleep 0.1; done
    expect_status 0 30 && expect_no_files
}

scenario_saver-key() {
    start -S
    wait_city
    xdotool mousemove 512 384
    sleep 1
    xdotool key space 2>/dev/null   # no window manager: xdotool warns of the focus
    expect_status 0 30 && expect_no_files
}

# One stored setting as reg query shows it: its type and data.
setting() { wine reg query "$settings_key" /v "$1" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$1 *\(REG_[A-Z]*\) */\1 /p"; }

# The Screen Saver settings start it with /c (here with a window handle, as
# Windows sends it) or with nothing: the dialog. Typed values and OK are
# stored; the next dialog shows them (OK stores them unchanged); a bad one is
# named in a box and the dialog stays, for Escape, which stores nothing.
scenario_configure() {
    wine reg delete "$settings_key" /f >/dev/null 2>&1
    local keys=(ctrl+a 8 0 0 x 6 0 0 Tab 3 0 Return) args dialog
    for args in "/c:65548" "" "/c"; do
        # shellcheck disable=SC2086
        start $args
        wait_named "Box City settings"
        dialog=$named
        sleep 1
        case $args in
            /c:*) xdotool key --window "$dialog" --delay 100 "${keys[@]}" 2>/dev/null ;;
            "") xdotool key --window "$dialog" Return 2>/dev/null ;;
            *) xdotool key --window "$dialog" ctrl+a 1 Return 2>/dev/null
               answer_box "Resolution: '1' is not a resolution"
               sleep 1
               xdotool key --window "$dialog" Escape 2>/dev/null ;;
        esac
        expect_status 0 30
        [ "$(setting resolution)" = "REG_SZ 800x600" ] && [ "$(setting max-fps)" = "REG_DWORD 0x1e" ] ||
            fail "'$args': stored $(setting resolution), $(setting max-fps)"
    done
}

# What was wrong, in the box and in stderr.txt. A well-formed handle of no
# window is no mistake in the command line, but nothing to draw in.
scenario_bad-option() {
    start /p:12x
    answer_box "'12x' is not a window handle"
    expect_status 2 30
    grep -qF "'12x' is not a window handle" "$work/run/stderr.txt" ||
        fail "stderr.txt does not name the problem"
    start /p 4026531839
    expect_status 1 30
    grep -qF "window 4026531839 does not exist" "$work/run/stderr.txt" ||
        fail "stderr.txt does not say the window is missing"
    BOXCITY_MAX_FPS=-5 start /s
    answer_box "BOXCITY_MAX_FPS: '-5' is not a frame limit"
    expect_status 2 30
}

# Drawn into a child window that covers the window the helper made (as Wine
# records its creation), it runs until that window is destroyed, then ends
# with 0. Whether the picture reaches the window Wine cannot show.
# The helper's window to preview into: sets hwnd, size and hpid; a line on
# its input (fd 3) makes it destroy the window and end.
start_helper() {
    local fifo=$work/helper.in line
    mkfifo "$fifo"
    exec 3<>"$fifo"
    wine "$helper" <"$fifo" >"$work/helper.log" 2>&1 &
    hpid=$!
    for _ in $(seq 200); do
        line=$(head -n 1 "$work/helper.log" 2>/dev/null | tr -d '\r')
        [ -n "$line" ] && break
        sleep 0.3
    done
    read -r hwnd size <<<"$line"
    [[ "$hwnd" =~ ^[0-9]+$ && "$size" =~ ^[0-9]+x[0-9]+$ ]] ||
        fail "helper printed no window handle and size: '$line'"
}

# The preview still running while the helper's window is there; if not, what
# ended first and how, with what the files and the helper say.
preview_alive() {
    alive && return 0
    wait "$pid"
    local status=$?
    alive "$hpid" && hstate="still running" || hstate="gone"
    ls -l "$work/run" >"$work/run-files.log" 2>&1
    fail "ended with status $status while its window was still there (helper $hstate," \
         "wine.log $(wc -c <"$work/wine.log") bytes)"
}

scenario_preview() {
    local hwnd size hpid hstate
    start_helper
    channels=,+win start /p "$hwnd"
    # Its child window in the helper's (Wine writes the parent's handle in
    # upper-case hex), waited for rather than looked for after a fixed time.
    local child="L\"boxcity-preview\" .* 0,0 $size parent=0*$(printf '%X' "$hwnd") " end=$((SECONDS + 60))
    until grep -Eq "$child" "$work/wine.log"; do
        preview_alive
        [ "$SECONDS" -lt "$end" ] || fail "no child window of $size in window $hwnd within 60 s"
        sleep 0.5
    done
    sleep 3
    preview_alive
    # The layer drew into that child: no window of boxcity.scr's own shows.
    [ -z "$(xdotool search --onlyvisible --class 'boxcity\.scr' 2>/dev/null)" ] ||
        fail "a window of its own instead of the preview"
    echo >&3                       # the helper destroys its window
    wait "$hpid" || fail "helper status $?"
    exec 3>&-
    expect_status 0 30 && expect_no_files
}

# PROGRAM ARGS under a relay trace until KEY: states.txt gets the calls keeping
# the display or system on (ES_CONTINUOUS with ES_DISPLAY_REQUIRED or _SYSTEM_),
# handed.txt the settings handed to the shell; its windows show the trace works.
relay_run() {
    local call state debug='HKCU\Software\Wine\Debug'
    wine reg add "$debug" /v RelayInclude /t REG_SZ /f /d \
        'kernel32.SetThreadExecutionState;msvcrt._putenv_s;user32.CreateWindowExW;opengl32.glViewport' >/dev/null 2>&1
    channels=,+relay program=$1 start "${@:3}"
    wait_city
    xdotool key "$2" 2>/dev/null
    expect_status 0 30
    wine reg delete "$debug" /v RelayInclude /f >/dev/null 2>&1
    grep -q 'CreateWindowExW(' "$work/wine.log" || fail "no relay trace"
    : >"$work/states.txt"
    while read -r call; do
        state=16#${call#*\(}
        if (( (state & 0x80000000) && (state & 3) )); then echo "$call" >>"$work/states.txt"; fi
    done < <(grep -o 'Call [A-Za-z0-9]*\.SetThreadExecutionState([0-9a-fA-F]*' "$work/wine.log")
    grep -o '_putenv_s([^)]*)' "$work/wine.log" |
        sed -n 's/^[^"]*"\(BOXCITY_[^"]*\)"[^"]*"\([^"]*\)".*/\1=\2/p' | tr '\n' ' ' >"$work/handed.txt"
}

# Stored settings reach the shell, each unless the environment names one, and
# unusable ones (of the wrong type, out of range) do not; Windows may turn the
# display off all the while, unlike with boxcity.exe (the trace sees that).
scenario_settings() {
    wine reg add "$settings_key" /v max-fps /t REG_DWORD /d 5 /f >/dev/null 2>&1
    wine reg add "$settings_key" /v resolution /t REG_SZ /d 640x480 /f >/dev/null 2>&1
    BOXCITY_RESOLUTION=800x600 relay_run "$scr" space /s
    [ ! -s "$work/states.txt" ] || fail "keeps the display on: $(cat "$work/states.txt")"
    [ "$(cat "$work/handed.txt")" = "BOXCITY_MAX_FPS=5 " ] || fail "handed over: $(cat "$work/handed.txt")"
    wine reg add "$settings_key" /v max-fps /t REG_DWORD /d 1001 /f >/dev/null 2>&1
    wine reg add "$settings_key" /v resolution /t REG_DWORD /d 640 /f >/dev/null 2>&1
    relay_run "$scr" space /s
    [ ! -s "$work/handed.txt" ] || fail "handed over: $(cat "$work/handed.txt")"
    relay_run "$(dirname "$scr")/boxcity.exe" Escape
    [ -s "$work/states.txt" ] || fail "boxcity.exe: no call keeping the display on traced"
}

# With resolution native, the picture is drawn once at the largest monitor's
# size (the viewport), to be scaled down on the smaller.
scenario_sharp() {
    local want drawn
    read -r _ want <<<"$XORG_TWO_MONITORS"
    wine reg add "$settings_key" /v resolution /t REG_SZ /d native /f >/dev/null 2>&1
    relay_run "$scr" space /s
    drawn=$(grep -o 'glViewport(0*,0*,[0-9a-fA-F]*,[0-9a-fA-F]*' "$work/wine.log" | tail -n 1)
    drawn=${drawn#*,*,}
    [ -n "$drawn" ] && drawn=$(printf '%dx%d' "0x${drawn%,*}" "0x${drawn#*,}")
    [ "$drawn" = "${want%%+*}" ] || fail "drawn at '$drawn', not ${want%%+*}"
}

# Every monitor covered (the desktop painted a colour first: it must show
# nowhere), then ended by a key or by the mouse, both over the second monitor.
monitors() {
    local desktop='#ff00ff' second x2
    read -r _ second <<<"$XORG_TWO_MONITORS"
    x2=${second#*+} x2=${x2%%+*}
    xsetroot -solid "$desktop" || fail "could not paint the desktop"
    xdotool mousemove $((x2 + 300)) 300     # where the user left the pointer
    start /s
    wait_monitors "$desktop" "$work/monitors.png" 120
    [ -n "${BOXCITY_MONITORS_SHOT:-}" ] && cp "$work/monitors.png" "$BOXCITY_MONITORS_SHOT"
    sleep 1
    alive || fail "ended with no input"
    if [ "$1" = key ]; then
        xdotool key space 2>/dev/null
    else
        for x in 320 360 420; do xdotool mousemove $((x2 + x)) 320; sleep 0.1; done
    fi
    expect_status 0 30 && expect_no_files
}
scenario_monitors-key() { monitors key; }
scenario_monitors-mouse() { monitors mouse; }

# No OpenGL: the start-up line in a box titled boxcity, and in stderr.txt;
# Return closes the box, status 1. The preview, inside a dialog, shows none.
scenario_no-gl() {
    local line='Video mode set failed: this display offers no OpenGL'
    start /s
    answer_box "$line"
    expect_status 1 30
    grep -qF "$line" "$work/run/stderr.txt" || fail "stderr.txt does not hold the line"
    # The preview ends at once, its box would wait for an answer.
    local hwnd size hpid
    start_helper
    start /p "$hwnd"
    expect_status 1 30
    grep -qF "$line" "$work/run/stderr.txt" || fail "/p: stderr.txt does not hold the line"
    grep -qF "$line" "$work/wine.log" && fail "/p showed a message box"
    echo >&3
    wait "$hpid"
    exec 3>&-
}

# ---- main ----

wine_prefix "$prefix"
for scenario in "${scenarios[@]}"; do
    E2E_TAG=$scenario
    begin=$SECONDS
    # A failure ends its scenario only: the subshell's exit.
    if ("scenario_$scenario"); then
        echo "PASS [$scenario] $((SECONDS - begin)) s"
    else
        failed=1
        wineserver -k 2>/dev/null
    fi
done
exit "$failed"
