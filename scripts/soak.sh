#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Soak: runs the console (its real window offscreen, the real serial port)
# against the probe simulator for MINUTES (default 1) with the probe's clock
# at TIME_SCALE times the wall clock (default 60: an hour of acquisition per
# minute), samples the resident memory every second and fails when it grows
# by more than 1 MiB after the warm-up (a quarter of the run, at most a
# minute), when data stop flowing, or when the console reports any failure.
#   scripts/soak.sh [MINUTES] [TIME_SCALE]
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:-1}
scale=${2:-60}

scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target purlo-soak purlo-probe-sim

QT_QPA_PLATFORM=offscreen exec build/bin/purlo-soak --seconds "$((minutes * 60))" --max-growth-kb 1024 \
  -- --fast --time-scale "$scale"
