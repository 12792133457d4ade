#!/usr/bin/env bash
# Builds the Debian package sorvada_<version>_<arch>.deb into <build>/packages.
# Usage: packaging/make-deb.sh [build-folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
"$root/scripts/setup.sh" "$build"
cd "$build"
cpack -G DEB
ls -1 "$build"/packages/sorvada_*.deb
