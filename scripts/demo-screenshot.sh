#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the demo on a virtual X screen into docs/demo.png: the console
# against the simulated probe after a few seconds of acquisition, with echo
# records in all three diagram slots. Run after building.
#   scripts/demo-screenshot.sh [OUTPUT.png] [QT_SCALE_FACTOR] [WINDOW SIZE %]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/demo.png}
scale=${2:-1}
size=${3:-100}

if [ "${INSIDE_XVFB:-}" != "1" ]; then
  INSIDE_XVFB=1 exec xvfb-run -a -s "-screen 0 1600x1200x24" "$0" "$out" "$scale" "$size"
fi

. scripts/demo-session.sh
demo_session --level-min 600 --level-max 1700 --noise 1.5

# Settings of its own, so the window size is the one given here.
(cd "$work" && XDG_CONFIG_HOME="$work/config" PURLO_COMM1="$work/com1" QT_SCALE_FACTOR="$scale" \
  exec "$root/build/bin/purlo" --scale "$size") &
console_pid=$!
window=""
for _ in $(seq 50); do
  window=$(xdotool search --onlyvisible --name "Purlo" 2>/dev/null | head -n1 || true)
  [ -n "$window" ] && break
  sleep 0.2
done
[ -n "$window" ] || { echo "the window did not appear" >&2; exit 1; }
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$window")"

# A point of a control, from its place in twips (1440 per inch, 96 dpi screen).
click() {  # left top width height
  local px=$(((($1 + $3 / 2) * 96 * scale * size) / 144000))
  local py=$(((($2 + $4 / 2) * 96 * scale * size) / 144000))
  xdotool mousemove --window "$window" "$px" "$py" click 1
}
click 6936 5184 564 264        # Start
sleep 4
click 4632 5184 732 264        # slot L2
sleep 3
click 4632 5184 732 264        # slot L3
sleep 3

mkdir -p "$(dirname "$out")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out"
echo "$out: ${WIDTH}x${HEIGHT}"
