#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian packages sorvada_<version>_<arch>.deb (the game) and
# sorvada-lobby_<version>_<arch>.deb (the lobby server) into <build>/packages.
# Usage: packaging/make-deb.sh [build-folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
"$root/scripts/setup.sh" "$build"
cd "$build"
cpack -G DEB
ls -1 "$build"/packages/sorvada_*.deb "$build"/packages/sorvada-lobby_*.deb
