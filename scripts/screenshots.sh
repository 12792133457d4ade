#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the real game window offscreen, from both sides of a set in play,
# into docs/screenshot-host.png and docs/screenshot-join.png, the host's
# window once more in Russian into docs/screenshot-ru.png, and the
# server-address dialog with an invitation into docs/invite-dialog.png.
# Usage: scripts/screenshots.sh [build-folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target sorvada-render
mkdir -p "$root/docs"
LC_ALL= LANGUAGE= LANG=C QT_QPA_PLATFORM=offscreen "$build/tools/render/sorvada-render" \
  "$root/docs/screenshot-host.png" "$root/docs/screenshot-join.png"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
LC_ALL= LANGUAGE= LANG=ru_RU.UTF-8 QT_QPA_PLATFORM=offscreen "$build/tools/render/sorvada-render" \
  "$root/docs/screenshot-ru.png" "$scratch/join.png"
LC_ALL= LANGUAGE= LANG=C QT_QPA_PLATFORM=offscreen "$build/tools/render/sorvada-render" --invite "$root/docs/invite-dialog.png"
