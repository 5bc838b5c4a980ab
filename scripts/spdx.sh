#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Gives every source file the project's licence line,
#   SPDX-License-Identifier: GPL-3.0-or-later
# as a comment of its language at its top (after a "#!" line, if any):
# C++ sources and headers, CMake files and shell scripts in src qt sim tests
# bench fuzz scripts packaging cmake, and the top CMakeLists.txt.
#
#   scripts/spdx.sh           adds the line where it is missing
#   scripts/spdx.sh --check   lists the files without it; exits 1 if any
#
# A file that names another licence in an SPDX line is never changed: it is
# listed, and the script exits 1.
set -euo pipefail
cd "$(dirname "$0")/.."

readonly licence="GPL-3.0-or-later"
readonly dirs=(src qt sim tests bench fuzz scripts packaging cmake)

check=0
case "${1:-}" in
  --check) check=1 ;;
  "") ;;
  *)
    echo "usage: scripts/spdx.sh [--check]" >&2
    exit 2
    ;;
esac

# The comment leader of a file's language, or nothing for a file that is not
# a source file.
leader() {
  local path=$1 name=${1##*/}
  case "$name" in
    *.cpp | *.cc | *.h | *.hpp | *.h.in) echo "//" ;;
    CMakeLists.txt | *.cmake | *.sh) echo "#" ;;
    *)
      # A script without an extension, known by its "#!" line.
      if [ -x "$path" ] && head -c 2 "$path" | grep -q '^#!'; then echo "#"; fi
      ;;
  esac
}

# The SPDX line is looked for in the first lines only: a tag further down is
# not at the top, and a string in the code that mentions one is no tag.
spdx_line() { head -n 3 "$1" | grep -m1 'SPDX-License-Identifier:' || true; }

files() {
  local existing=()
  for d in "${dirs[@]}"; do [ -d "$d" ] && existing+=("$d"); done
  # Seed corpora of the fuzz targets are data, whatever their names.
  find "${existing[@]}" -path fuzz/corpus -prune -o -type f -print
  echo CMakeLists.txt
}

missing=0
other=0
while IFS= read -r file; do
  lead=$(leader "$file")
  [ -n "$lead" ] || continue
  found=$(spdx_line "$file")
  if [ -n "$found" ]; then
    if [[ "$found" != *"SPDX-License-Identifier: $licence" ]]; then
      echo "$file: another licence: ${found#*SPDX-License-Identifier: }"
      other=$((other + 1))
    fi
    continue
  fi
  missing=$((missing + 1))
  if [ "$check" -eq 1 ]; then
    echo "$file"
    continue
  fi
  line="$lead SPDX-License-Identifier: $licence"
  tmp=$(mktemp "$file.XXXXXX")
  if head -n 1 "$file" | grep -q '^#!'; then
    { head -n 1 "$file"; echo "$line"; tail -n +2 "$file"; } >"$tmp"
  else
    { echo "$line"; cat "$file"; } >"$tmp"
  fi
  chmod --reference="$file" "$tmp"
  mv "$tmp" "$file"
  echo "added: $file"
done < <(files | sort)

if [ "$check" -eq 1 ] && [ "$missing" -gt 0 ]; then
  echo "$missing file(s) without \"SPDX-License-Identifier: $licence\"; scripts/spdx.sh adds it" >&2
  exit 1
fi
[ "$other" -eq 0 ]
