#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds the core and its tests for 64-bit Windows with mingw-w64 (the
# windows-core preset: static programs, no Qt) and runs them under wine64, so
# the core stays portable with every change. Headless: wine's own messages
# off, a wine prefix of its own in the build folder (made once), no offer to
# install Mono or Gecko. CI=true turns warnings into errors, as for Linux.
set -euo pipefail
cd "$(dirname "$0")/.."

werror=OFF
if [ "${CI:-}" = "true" ]; then werror=ON; fi
cmake --preset windows-core -DPURLO_WERROR="$werror" >/dev/null
cmake --build --preset windows-core -j "$(nproc)"

export WINEDEBUG=-all WINEPREFIX="$PWD/build-windows-core/wineprefix"
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  DISPLAY='' wine wineboot -i >/dev/null 2>&1
  wineserver -w
fi
status=0
DISPLAY='' ctest --preset windows-core || status=$?
wineserver -k 2>/dev/null || true
exit "$status"
