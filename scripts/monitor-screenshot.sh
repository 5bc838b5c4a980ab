#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the monitor beside the console on a virtual X screen into
# docs/monitor.png: the console against the simulated probe for half a
# minute, a reference echo kept on the way. Run after building.
#   scripts/monitor-screenshot.sh [OUTPUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/monitor.png}

if [ "${INSIDE_XVFB:-}" != "1" ]; then
  INSIDE_XVFB=1 exec xvfb-run -a -s "-screen 0 1700x1000x24" "$0" "$out"
fi

. scripts/demo-session.sh
demo_session --level-min 900 --level-max 1300 \
  --level-speed 25 --noise 1.5 --spikes 0.002 --false-echo 700

# A fresh user: the monitor's settings start from their defaults.
console_with_monitor

click 6936 5184 564 264        # Start
sleep 10
# "Keep as reference", in the monitor's top row.
xdotool mousemove --window "$monitor" "${REFERENCE_X:-417}" "${REFERENCE_Y:-21}" click 1
sleep 20
xdotool mousemove --window "$monitor" 300 430   # the pointer over the echo history
sleep 0.5

eval "$(xdotool getwindowgeometry --shell "$monitor")"
mkdir -p "$(dirname "$out")"
import -window root -crop "$((cw + 8 + WIDTH))x$((HEIGHT > ch ? HEIGHT : ch))+0+0" +repage "$out"
echo "$out"
