#!/usr/bin/env bash
# scripts/web serves the built site: it prints the address once it listens,
# and the page, its script and its WebAssembly (as application/wasm, which
# browsers need to compile it while it loads) come from there.
#   e2e_web_serve.sh SOURCE_DIR
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../harness/e2e_lib.sh"
source_dir=$1
work=$e2e_short

e2e_on_fail() {
  cat "$work/err" >&2
}

"$source_dir/scripts/web" --port 0 >"$work/out" 2>"$work/err" &
server=$!
e2e_track "$server"

listening() {
  grep -q '^boxcity: http://' "$work/out" 2>/dev/null && return 0
  alive "$server" || fail "scripts/web ended"
  return 1
}
# scripts/web configures and builds before it listens: slow on a busy machine.
wait_until 60 "no address printed" listening
address=$(grep -o 'http://127\.0\.0\.1:[0-9]*/' "$work/out") || fail "no address printed"

fetch() {  # path, then the content type it must come with
  type=$(python3 -c 'import sys, urllib.request
r = urllib.request.urlopen(sys.argv[1])
r.read()
print(r.headers.get_content_type())' "$address$1")
  [ "$type" = "$2" ] || fail "$1: $type, not $2"
}
fetch "" text/html
fetch boxcity.js text/javascript
fetch page.js text/javascript
fetch page.css text/css
fetch boxcity.wasm application/wasm
e2e_stop "$server"
echo "served at $address"
