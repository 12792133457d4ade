#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the two Debian packages from a configured build folder and checks
# them: lintian (any error fails, warnings are printed), the control fields,
# the file lists, the desktop entry, the metainfo, the manual pages, the
# changelog and, where systemd is installed, the lobby's unit.
# Usage: scripts/check-packages.sh BUILD-FOLDER
set -euo pipefail
build=$(cd "${1:?usage: scripts/check-packages.sh BUILD-FOLDER}" && pwd)
failed=0
fail() { echo "check-packages: FAIL: $*" >&2; failed=1; }
note() { echo "check-packages: $*"; }

cmake --build "$build" --target sorvada sorvada-lobby sorvada_docs sorvada_data >/dev/null
rm -rf "$build/packages"
(cd "$build" && cpack -G DEB >"$build/cpack.log" 2>&1) || { cat "$build/cpack.log"; exit 1; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
arch=$(dpkg --print-architecture)
game="$build/packages/sorvada_${version}_${arch}.deb"
lobby="$build/packages/sorvada-lobby_${version}_${arch}.deb"
for deb in "$game" "$lobby"; do
  [ -f "$deb" ] || { echo "check-packages: FAIL: cpack did not make $deb" >&2; exit 1; }
done

# --- lintian -------------------------------------------------------------------
report=$(lintian --fail-on none "$game" "$lobby" 2>/dev/null)
[ -n "$report" ] && echo "$report"
if grep -q '^E: ' <<<"$report"; then fail "lintian reports errors"; fi
note "lintian: $(grep -c '^E: ' <<<"$report" || true) errors, $(grep -c '^W: ' <<<"$report" || true) warnings"

# --- control fields ---------------------------------------------------------------
[ "$(dpkg-deb -f "$game" Section)" = games ] || fail "sorvada is not in section games"
[ "$(dpkg-deb -f "$lobby" Section)" = net ] || fail "sorvada-lobby is not in section net"
# The lobby must install without graphics or sound: neither its own
# dependencies nor theirs may pull them in.
gui='^(libqt6(gui|widgets|multimedia|opengl|xcbqpa)6|qt6-qpa-plugins|libgl1|libx11-6|libxcb1|libpulse0|libgstreamer1\.0-0)$'
lobby_depends=$(dpkg-deb -f "$lobby" Depends | tr ',' '\n' | sed 's/[(|].*//; s/ //g' | grep .)
if grep -Eq "$gui" <<<"$lobby_depends"; then fail "sorvada-lobby depends on: $(grep -E "$gui" <<<"$lobby_depends")"; fi
if closure=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
               --no-replaces --no-enhances $lobby_depends 2>/dev/null | grep -v '^ '); then
  if grep -Eq "$gui" <<<"$closure"; then fail "sorvada-lobby pulls in: $(grep -E "$gui" <<<"$closure" | xargs)"; fi
fi

# --- file lists --------------------------------------------------------------------
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
for pair in "game:$game" "lobby:$lobby"; do
  component=${pair%%:*} deb=${pair#*:}
  if ! diff <(sort "$build/packaging/installed-files-$component.txt") \
            <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' | sort) >"$root/diff"; then
    fail "$(basename "$deb") differs from installed-files-$component.txt (< expected, > packed):"
    cat "$root/diff" >&2
  fi
  dpkg-deb -x "$deb" "$root"
done
for f in usr/games/sorvada usr/bin/sorvada-lobby usr/share/games/sorvada/sounds/start.wav \
         usr/share/games/sorvada/help/index.html usr/share/games/sorvada/help/index.ru.html \
         lib/systemd/system/sorvada-lobby.service \
         etc/default/sorvada-lobby; do
  [ -s "$root/$f" ] || fail "/$f is in neither package"
done
[ "$(dpkg-deb --ctrl-tarfile "$lobby" | tar -xOf - ./conffiles)" = /etc/default/sorvada-lobby ] \
  || fail "/etc/default/sorvada-lobby is not the lobby's conffile"

# --- desktop entry and metainfo ------------------------------------------------------
for desktop in "$root"/usr/share/applications/*.desktop; do
  out=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$out" ] || fail "desktop-file-validate: $out"
  exec=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
  [ -x "$root/usr/games/$exec" ] || fail "the desktop entry starts '$exec', which is not in /usr/games"
  grep -qx 'MimeType=x-scheme-handler/sorvada;' "$desktop" || fail "the desktop entry does not handle sorvada:// links"
  grep -q '^Exec=[^ ]* %u$' "$desktop" || fail "the desktop entry does not hand the link to the game (%u)"
done
for metainfo in "$root"/usr/share/metainfo/*.xml; do
  appstreamcli validate --no-net "$metainfo" >"$root/out" 2>&1 || { fail "appstreamcli: $metainfo"; cat "$root/out" >&2; }
  grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo's release is not $version"
done

# --- manual pages and changelogs ---------------------------------------------------------
for page in "$root"/usr/share/man/man6/sorvada.6.gz "$root"/usr/share/man/man8/sorvada-lobby.8.gz; do
  [ -f "$page" ] || { fail "missing $page"; continue; }
  lexgrog "$page" >/dev/null || fail "no whatis line in $(basename "$page")"
  out=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null) \
    && [ -z "$out" ] || fail "$(basename "$page"): $out"
done
for package in sorvada sorvada-lobby; do
  changelog="$root/usr/share/doc/$package/changelog.gz"
  gzip -t "$changelog" || fail "$changelog is not gzip"
  top=$(zcat "$changelog" | dpkg-parsechangelog -l- -SVersion) || top=
  [ "$top" = "$version" ] || fail "$package's changelog starts at '$top', the package is $version"
done

# --- the lobby's service ---------------------------------------------------------------
if command -v systemd-analyze >/dev/null; then
  # Pointed at the unpacked program and manual page, as if installed.
  unit="$root/sorvada-lobby.service"
  sed "s|/usr/bin/sorvada-lobby|$root/usr/bin/sorvada-lobby|" "$root/lib/systemd/system/sorvada-lobby.service" >"$unit"
  MANPATH="$root/usr/share/man" systemd-analyze verify "$unit" || fail "systemd-analyze verify"
  note "$(systemd-analyze security --offline=yes --no-pager "$unit" | grep 'Overall exposure')"
else
  note "systemd-analyze is not installed: the unit is not verified"
fi

if [ "$failed" -ne 0 ]; then exit 1; fi
note "both packages pass: $(basename "$game") $(basename "$lobby")"
