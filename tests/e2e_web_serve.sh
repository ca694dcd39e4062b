#!/usr/bin/env bash
# scripts/web serves the built site: it prints the address once it listens,
# and the page, its script and its WebAssembly (as application/wasm, which
# browsers need to compile it while it loads) come from there.
#   e2e_web_serve.sh SOURCE_DIR
set -euo pipefail
source_dir=$1
work=$(mktemp -d)
server=
cleanup() {
  [ -z "$server" ] || kill "$server" 2>/dev/null || true
  [ -z "$server" ] || wait "$server" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

"$source_dir/scripts/web" --port 0 >"$work/out" 2>"$work/err" &
server=$!
for _ in $(seq 100); do
  grep -q '^boxcity: http://' "$work/out" && break
  kill -0 "$server" 2>/dev/null || { cat "$work/err" >&2; echo "scripts/web ended" >&2; exit 1; }
  sleep 0.2
done
address=$(grep -o 'http://127\.0\.0\.1:[0-9]*/' "$work/out") || { echo "no address printed" >&2; exit 1; }

fetch() {  # path, then the content type it must come with
  type=$(python3 -c 'import sys, urllib.request
r = urllib.request.urlopen(sys.argv[1])
r.read()
print(r.headers.get_content_type())' "$address$1")
  [ "$type" = "$2" ] || { echo "$1: $type, not $2" >&2; exit 1; }
}
fetch "" text/html
fetch boxcity.js text/javascript
fetch boxcity.wasm application/wasm
echo "served at $address"
