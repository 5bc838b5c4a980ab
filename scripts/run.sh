#!/usr/bin/env bash
# Builds the console and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"

exec build/bin/purlo
