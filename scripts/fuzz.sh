#!/usr/bin/env bash
# Runs every fuzz target (or the ones named) for SECONDS each (default 60),
# growing a corpus under build-fuzz/corpus. Findings are written as crash-*
# files into the current directory by libFuzzer; the run stops at the first.
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
for t in "${targets[@]}"; do
  [ -x "build-fuzz/bin/$t" ] || continue
  mkdir -p "build-fuzz/corpus/$t"
  echo "== $t for ${seconds}s"
  "build-fuzz/bin/$t" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
    "build-fuzz/corpus/$t" "fuzz/corpus/$t" 2>&1 | grep -E 'stat::number_of_executed_units|Done|ERROR|crash' || true
done
