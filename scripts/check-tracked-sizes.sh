#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when git tracks a file larger than 1 MiB outside docs/ (the pictures)
# and fuzz/corpus/ (the seeds): a recording or a build product committed by
# mistake would otherwise travel with every clone.
#
#   scripts/check-tracked-sizes.sh [REPO_DIR]   (default: the folder above this script)
set -euo pipefail
repo="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
limit=$((1024 * 1024))

if ! git -C "$repo" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  echo "check-tracked-sizes: $repo is not a git checkout" >&2
  exit 2
fi

status=0
while IFS= read -r -d '' path; do
  case "$path" in docs/* | fuzz/corpus/*) continue ;; esac
  file="$repo/$path"
  [ -f "$file" ] || continue
  size=$(stat -c %s -- "$file")
  if ((size > limit)); then
    echo "check-tracked-sizes: $path is $size bytes (more than 1 MiB outside docs/ and fuzz/corpus/)"
    status=1
  fi
done < <(git -C "$repo" ls-files -z)
exit "$status"
