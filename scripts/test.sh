#!/usr/bin/env bash
# Builds everything and runs every test. The one test command of the project.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

preset=release
if [ "${CI:-}" = "true" ]; then preset=ci; fi   # CI also turns warnings into errors

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)"
ctest --preset "$preset" -j "$(nproc)"
