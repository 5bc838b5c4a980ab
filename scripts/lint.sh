#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Formatting and lint, as the test command runs them:
#   scripts/lint.sh [BUILD_DIR]   fails on a formatting difference (clang-format, .clang-format)
#                                 or a clang-tidy finding (.clang-tidy) in src/, qt/ and sim/;
#                                 BUILD_DIR holds compile_commands.json (default: build)
#   scripts/lint.sh --format      rewrites every file in the project's format instead
# Tables that read better aligned by hand are fenced with "// clang-format off".
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t sources < <(git ls-files '*.cpp' '*.h' | grep -E '^(src|qt|sim|tests|bench|fuzz)/')

if [ "${1:-}" = "--format" ]; then
  clang-format -i "${sources[@]}"
  exit 0
fi
build=${1:-build}

echo "== formatting (clang-format, ${#sources[@]} files)"
if ! clang-format --dry-run --Werror "${sources[@]}"; then
  echo "Formatting differs: run scripts/lint.sh --format" >&2
  exit 1
fi

echo "== lint (clang-tidy on src/, qt/ and sim/)"
if [ ! -f "$build/compile_commands.json" ]; then
  echo "No $build/compile_commands.json: configure a build first (cmake --preset release)" >&2
  exit 1
fi
# The Windows sides (the platform layer's, the COM port's, the simulator's)
# are not in this (Linux) build's compilation database; the Windows builds
# compile them with every warning.
windows_only='^(src/platform/Windows|sim/(HostWindows|TcpLinkWindows)|qt/serial/(WinSerialPort|CommState|ports/SystemPortCatalogueWindows))\.cpp$'
mapfile -t units < <(git ls-files '*.cpp' | grep -E '^(src|qt|sim)/' | grep -Ev "$windows_only")
# Every finding counts (.clang-tidy: WarningsAsErrors), so any makes this fail.
run-clang-tidy -quiet -p "$build" -j "$(nproc)" "${units[@]/#/$PWD/}" >"$build/clang-tidy.log" 2>&1 || {
  sed 's/\x1b\[[0-9;]*m//g' "$build/clang-tidy.log" | grep -E -A2 '(warning|error):' >&2 ||
    cat "$build/clang-tidy.log" >&2
  echo "clang-tidy found the above (full output: $build/clang-tidy.log)" >&2
  exit 1
}
echo "clean"
