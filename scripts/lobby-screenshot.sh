#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes a picture of the lobby's status page in a real browser (headless Chromium),
# with a few hosts waiting, one copy of each pairing path counted, into docs/lobby-status.png.
# Usage: scripts/lobby-screenshot.sh [build-folder] [output.png]
# Skips (exit 0) when chromium is not installed; it is not part of the test command.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
out=${2:-$root/docs/lobby-status.png}
browser=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$browser" ]; then
  echo "lobby-screenshot: chromium is not installed; skipped" >&2
  exit 0
fi
log=$(mktemp)
profile=$(mktemp -d)
"$build/lobby/sorvada-lobby" --bind 127.0.0.1 --http-port 0 --directory-port 0 >"$log" &
lobby=$!
trap 'kill $lobby 2>/dev/null || true; rm -rf "$log" "$profile"' EXIT
for _ in $(seq 100); do grep -q listening "$log" && break; sleep 0.1; done
port=$(grep -o 'TCP port [0-9]*' "$log" | awk '{print $3}')
base="http://127.0.0.1:$port"
# Two hosts waiting (kinds 4 and 7) and one web pairing.
for q in "type=4&port=2345" "type=7&port=2346" "type=4&port=2347" "type=4&port=2348"; do
  python3 -c "import urllib.request,sys; urllib.request.urlopen(sys.argv[1]).read()" \
    "$base/start.asp?$q&mode=WANT_CONNECT&ID="
done
"$browser" --headless --no-sandbox --disable-gpu --hide-scrollbars --user-data-dir="$profile" \
  --window-size=640,520 --screenshot="$out" "$base/" >/dev/null 2>&1
echo "lobby-screenshot: $out"
