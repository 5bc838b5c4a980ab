#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the monitor's replay bar on a virtual X screen into docs/replay.png:
# a recording (made by bench_playback against the probe model) played at x10
# for a few seconds, then paused. Run after building purlo and bench_playback.
#   scripts/replay-screenshot.sh [OUTPUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/replay.png}

if [ "${INSIDE_XVFB:-}" != "1" ]; then
  INSIDE_XVFB=1 exec xvfb-run -a -s "-screen 0 1700x1000x24" "$0" "$out"
fi

. scripts/demo-session.sh
demo_session
QT_QPA_PLATFORM=offscreen build/bin/bench_playback --megabytes 0.4 "$work/Purlo.Spl" >/dev/null 2>&1

console_with_monitor

click 3864 5184 732 264        # "#": arm the playback
sleep 0.5
# The speed box, third in the replay bar: up two from "As fast as possible" is x10.
xdotool mousemove --window "$monitor" "${SPEED_X:-190}" "${SPEED_Y:-52}" click 1
sleep 0.3
xdotool key Up Up Return
sleep 0.3
click 6936 5184 564 264        # Start
sleep 6
# Pause, first in the replay bar.
xdotool mousemove --window "$monitor" "${PLAY_X:-40}" "${PLAY_Y:-52}" click 1
sleep 0.5
xdotool mousemove --window "$monitor" 500 300

eval "$(xdotool getwindowgeometry --shell "$monitor")"
mkdir -p "$(dirname "$out")"
import -window root -crop "$((cw + 8 + WIDTH))x$((HEIGHT > ch ? HEIGHT : ch))+0+0" +repage "$out"
echo "$out"
