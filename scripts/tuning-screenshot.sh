#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the tuning assistant beside the console on a virtual X screen into
# docs/tuning.png: a whole sweep of the simulated probe (its transducer
# resonating at 23 kHz, its clock twenty times as fast), the best applied.
# Run after building.
#   scripts/tuning-screenshot.sh [OUTPUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/tuning.png}

if [ "${INSIDE_XVFB:-}" != "1" ]; then
  INSIDE_XVFB=1 exec xvfb-run -a -s "-screen 0 1920x1080x24" "$0" "$out"
fi

. scripts/demo-session.sh
demo_session --fast --time-scale 20 --resonance 23 --noise 2 --spikes 0.01 \
  --level-min 1200 --level-max 1300 --level-speed 2

(cd "$work" && HOME="$work" XDG_CONFIG_HOME="$work/.config" PURLO_COMM1="$work/com1" \
  exec "$root/build/bin/purlo" --tune) &
console_pid=$!
console=""; tuning=""
for _ in $(seq 50); do
  console=$(xdotool search --onlyvisible --name "Purlo\$" 2>/dev/null | head -n1 || true)
  tuning=$(xdotool search --onlyvisible --name "Purlo tuning assistant" 2>/dev/null | head -n1 || true)
  [ -n "$console" ] && [ -n "$tuning" ] && [ "$console" != "$tuning" ] && break
  sleep 0.2
done
[ -n "$console" ] && [ -n "$tuning" ] || { echo "the windows did not appear" >&2; exit 1; }
sleep 0.5
xdotool windowmove "$console" 0 0
eval "$(xdotool getwindowgeometry --shell "$console")"
cw=$WIDTH; ch=$HEIGHT
xdotool windowmove "$tuning" $((cw + 8)) 0
sleep 0.3

click 6936 5184 564 264        # Start
sleep 3
# The buttons by their place in the window (no window manager here to give
# it the keyboard): "Start the sweep", then "Apply the best".
press() { xdotool mousemove --window "$tuning" "$1" "$2" click 1; }
button_y=${BUTTON_Y:-172}
press 50 "$button_y"
sleep "${SWEEP_SECONDS:-40}"
press 255 "$button_y"
sleep 8

eval "$(xdotool getwindowgeometry --shell "$tuning")"
mkdir -p "$(dirname "$out")"
import -window root -crop "$((cw + 8 + WIDTH))x$((HEIGHT > ch ? HEIGHT : ch))+0+0" +repage "$out"
echo "$out"
