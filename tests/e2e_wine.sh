# shellcheck shell=bash
# e2e_wine.sh -- for the end-to-end scripts that run Windows programs under
# Wine; source it after e2e_lib.sh.
#
#   wine_prefix DIR   use the Wine prefix in DIR, made first if missing
#   icon_sizes FILE [ICO]
#                     the widths of the images in FILE's first icon group
#                     (the one Explorer shows), smallest first, on one line;
#                     that icon is left in ICO (or a file of e2e_short)
#
# At exit the prefix's wineserver is ended and waited for, so that the next
# script may use the prefix, and Wine's desktop process, which keeps the
# display it started with, does not outlive that display.

e2e_wine_used=

wine_prefix() {
    export WINEPREFIX=$1 WINEDEBUG=-all
    e2e_wine_used=1
    # No offers to download Mono or Gecko into a fresh prefix.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    [ -f "$WINEPREFIX/system.reg" ] && return 0
    # Made without the display, so that no set-up window shows on the
    # screen under test; its wineserver must not outlive that.
    env -u DISPLAY wineboot -i >/dev/null 2>&1 || fail "no Wine prefix in $WINEPREFIX"
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
}

icon_sizes() {
    local ico=${2:-$e2e_short/icon.ico} name
    name=$(wrestool -l --type=14 "$1" 2>/dev/null | sed -n '1s/.*--name=\([^ ]*\) .*/\1/p')
    [ -n "$name" ] || return 1
    wrestool -x --type=14 --name="$name" "$1" >"$ico" 2>/dev/null || return 1
    icotool -l "$ico" | sed -n 's/.*--width=\([0-9]*\) .*/\1/p' | sort -n | paste -sd ' '
}

e2e_on_exit() {
    [ -n "$e2e_wine_used" ] || return 0
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
}
