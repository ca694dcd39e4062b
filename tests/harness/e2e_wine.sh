# shellcheck shell=bash
# e2e_wine.sh -- for the scripts that run Windows programs under Wine: the
# end-to-end tests (source it after e2e_lib.sh), scripts/test-windows and the
# Wine benchmarks.
#
#   wine_prefix DIR   use the Wine prefix in DIR, made first if missing
#   check_icon FILE   fail unless FILE's first icon group (the one Explorer
#                     shows) is boxcity's: dist/boxcity.png at 16 to 256
#                     pixels
#
# At exit the prefix's wineserver is ended and waited for, so that the next
# script may use the prefix, and Wine's desktop process, which keeps the
# display it started with, does not outlive that display.

e2e_wine_used=
declare -F fail >/dev/null || fail() { echo "FAIL: $*" >&2; exit 1; }

wine_prefix() {
    export WINEPREFIX=$1 WINEDEBUG=-all
    e2e_wine_used=1
    # No offers to download Mono or Gecko into a fresh prefix.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    [ -f "$WINEPREFIX/system.reg" ] && return 0
    mkdir -p "$WINEPREFIX"
    # Made without the display, so that no set-up window shows on the
    # screen under test; its wineserver must not outlive that.
    env -u DISPLAY wineboot -i >/dev/null 2>&1 || fail "no Wine prefix in $WINEPREFIX"
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
}

check_icon() {
    local ico=$e2e_short/icon.ico png=$e2e_short/icon-256.png name sizes
    local source
    source=$(dirname "${BASH_SOURCE[0]}")/../..
    name=$(wrestool -l --type=14 "$1" 2>/dev/null | sed -n '1s/.*--name=\([^ ]*\) .*/\1/p')
    [ -n "$name" ] || fail "${1##*/} has no icon"
    wrestool -x --type=14 --name="$name" "$1" >"$ico" 2>/dev/null || fail "${1##*/}: its icon cannot be read"
    sizes=$(icotool -l "$ico" | sed -n 's/.*--width=\([0-9]*\) .*/\1/p' | sort -n | paste -sd ' ')
    [ "$sizes" = "16 24 32 48 64 128 256" ] || fail "${1##*/}: icon sizes are '$sizes'"
    icotool -x -w 256 -o "$png" "$ico" 2>/dev/null || fail "${1##*/}: no 256-pixel icon"
    [ "$(compare -metric AE "$png" "$source/dist/boxcity.png" null: 2>&1)" = 0 ] ||
        fail "${1##*/}: the 256-pixel icon is not dist/boxcity.png"
}

e2e_on_exit() {
    [ -n "$e2e_wine_used" ] || return 0
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
}
