#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Puts the licence line at the top of every source file of the repository that
# lacks it (.cpp .h .cmake CMakeLists.txt .sh .py .in); running it again
# changes nothing. A "#!" line stays first, the licence line comes after it.
# Usage: scripts/add-spdx.sh [repository-folder]
set -euo pipefail
root=$(cd "${1:-$(dirname "$0")/..}" && pwd)
line='SPDX-License-Identifier: GPL-3.0-or-later'
changed=0
while IFS= read -r -d '' file; do
  head -n 3 "$file" | grep -q 'SPDX-License-Identifier:' && continue
  case "$file" in
    *.cpp|*.h) comment='//' ;;
    *.in)
      case "$file" in
        # XML may not start with a comment; the copyright file has a format
        # of its own and is covered by the line it states for every file.
        *.xml.in|*/copyright.in) continue ;;
        *.[1-8].in) comment='.\"' ;;          # manual pages
        *) comment='#' ;;
      esac ;;
    *) comment='#' ;;
  esac
  tmp=$(mktemp)
  if head -n 1 "$file" | grep -q '^#!'; then
    { head -n 1 "$file"; echo "$comment $line"; tail -n +2 "$file"; } >"$tmp"
  else
    { echo "$comment $line"; cat "$file"; } >"$tmp"
  fi
  chmod --reference="$file" "$tmp"
  mv "$tmp" "$file"
  changed=$((changed + 1))
done < <(cd "$root" && git ls-files -z --full-name -- '*.cpp' '*.h' '*.cmake' '*CMakeLists.txt' '*.sh' '*.py' '*.in' \
           | sed -z "s|^|$root/|")
echo "add-spdx: added the licence line to $changed files"
