#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Regenerates assets/sounds/start.wav and assets/sounds/message.wav.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
python3 "$root/tools/sounds/make_sounds.py" "$root/assets/sounds"
