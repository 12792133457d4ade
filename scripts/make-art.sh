#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Regenerates the board pictures, cursors and icons in assets/ from the drawing
# program in tools/artgen. The build never runs it: the files it writes are kept
# in the repository and compiled in from there.
# Usage: scripts/make-art.sh [build-folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-artgen}

cmake -S "$root/tools/artgen" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target sorvada-artgen
QT_QPA_PLATFORM=offscreen "$build/sorvada-artgen" "$root/assets"
