#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the real game window offscreen, from both sides of a set in play,
# into docs/screenshot-host.png and docs/screenshot-join.png.
# Usage: scripts/screenshots.sh [build-folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target sorvada-render
mkdir -p "$root/docs"
QT_QPA_PLATFORM=offscreen "$build/tools/render/sorvada-render" \
  "$root/docs/screenshot-host.png" "$root/docs/screenshot-join.png"
