#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every fuzz target (or the ones named) for SECONDS each (default 60),
# growing a corpus under build-fuzz/corpus. A finding stops its target and is
# saved as build-fuzz/findings/<target>/crash-* (replay it by passing that
# file to build-fuzz/bin/<target>). Prints executions per target at the end
# and exits non-zero when any target found something.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true

scripts/setup.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

targets=("$@")
if ((${#targets[@]} == 0)); then
  mapfile -t targets < <(find fuzz -maxdepth 1 -name '*.cpp' -printf '%f\n' | sed 's/\.cpp$//' | sort)
fi
summary=()
failed=0
for t in "${targets[@]}"; do
  [ -x "build-fuzz/bin/$t" ] || { echo "no fuzz target $t" >&2; exit 2; }
  max_len=$(cat "build-fuzz/fuzz-max-len/$t" 2>/dev/null || echo 4096)
  mkdir -p "build-fuzz/corpus/$t" "build-fuzz/findings/$t"
  log="build-fuzz/findings/$t/last-run.log"
  echo "== $t for ${seconds}s (inputs up to $max_len bytes)"
  status=0
  "build-fuzz/bin/$t" -max_total_time="$seconds" -max_len="$max_len" -print_final_stats=1 \
    -artifact_prefix="build-fuzz/findings/$t/" \
    "build-fuzz/corpus/$t" "fuzz/corpus/$t" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  if ((status == 0)); then
    result="no findings"
  else
    result="FINDING (exit $status), see $log"
    failed=1
    grep -E 'ERROR|fuzz check failed|SUMMARY|Test unit written' "$log" || true
  fi
  summary+=("$(printf '%-10s %8ss %12s executions  %s' "$t" "$seconds" "${runs:-?}" "$result")")
done
echo "== summary"
printf '%s\n' "${summary[@]}"
exit "$failed"
