#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds everything and runs every test: the whole suite in the release build,
# the whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer,
# a short run of every fuzz target, and the formatting and lint checks
# (scripts/lint.sh), and the core with its tests cross-built for Windows and
# run under wine (scripts/windows-core-test.sh). The one test command of the project.
# PURLO_QUICK=1 runs the release suite only (for a quick look while working).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
jobs=$(nproc)

preset=release
if [ "${CI:-}" = "true" ]; then preset=ci; fi   # CI also turns warnings into errors

echo "== release build and tests"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$jobs"
ctest --preset "$preset" -j "$jobs"

if [ "${PURLO_QUICK:-}" = "1" ]; then exit 0; fi

echo "== formatting and lint"
scripts/lint.sh build

echo "== the core under Windows (mingw-w64, wine)"
scripts/windows-core-test.sh

echo "== sanitizers: the same tests under ASan and UBSan"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --preset asan -j "$jobs"

echo "== fuzz targets, a short run each"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
ctest --preset fuzz -j "$jobs"
