#!/usr/bin/env bash
# Renders the console at work against the probe simulator on a virtual X
# screen: it clicks Start, lets echo records come in (switching the diagram
# slot twice, so all three slots hold one), and saves the window.
#   scripts/screenshot-live.sh [SCALE [OUTPUT]]
# SCALE is QT_SCALE_FACTOR (default 2); OUTPUT defaults to
# docs/window-scale<SCALE>.png. Run after building; needs xvfb, xdotool and
# imagemagick (scripts/setup.sh installs them).
set -euo pipefail
cd "$(dirname "$0")/.."
scale=${1:-2}
output=${2:-docs/window-scale${scale}.png}

if [ "${PURLO_INSIDE_XVFB:-}" != 1 ]; then
  # A screen big enough for the scaled window, at a plain 96 dpi.
  PURLO_INSIDE_XVFB=1 exec xvfb-run -a -s "-screen 0 2560x1600x24 -dpi 96" "$0" "$scale" "$output"
fi

root=$(pwd)
workdir=$(mktemp -d)
sim_pid=""
pid=""
cleanup() {
  [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
  [ -z "$sim_pid" ] || kill -TERM "$sim_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$workdir"
}
trap cleanup EXIT

scripts/demo-folder.sh "$workdir" 9600
link="$workdir/purlo-com1"
build/bin/purlo-probe-sim --link "$link" --level-min 600 --level-max 1700 --level-speed 8 \
  --noise 1.5 --spikes 0.002 >/dev/null 2>&1 &
sim_pid=$!
for _ in $(seq 100); do
  [ -L "$link" ] && break
  sleep 0.05
done
[ -L "$link" ] || { echo "the probe simulator did not start" >&2; exit 1; }

(cd "$workdir" && PURLO_COMM1="$link" QT_SCALE_FACTOR="$scale" exec "$root/build/bin/purlo") &
pid=$!

window=""
for _ in $(seq 50); do
  window=$(xdotool search --onlyvisible --name "Purlo" 2>/dev/null | head -n1 || true)
  [ -n "$window" ] && break
  sleep 0.2
done
[ -n "$window" ] || { echo "the window did not appear" >&2; exit 1; }
sleep 1
eval "$(xdotool getwindowgeometry --shell "$window")"

# Clicks the middle of a control given by its twips rectangle (left, top,
# width, height); the window's pixel size is 8484 x 6120 twips.
click_twips() {
  local x=$(((($1 + $3 / 2) * WIDTH) / 8484))
  local y=$(((($2 + $4 / 2) * HEIGHT) / 6120))
  xdotool mousemove --window "$window" "$x" "$y" click 1
}
start_stop=(6936 5184 564 264)
slot_button=(4632 5184 732 264)

click_twips "${start_stop[@]}"
sleep 5
click_twips "${slot_button[@]}"
sleep 4
click_twips "${slot_button[@]}"
sleep 4

mkdir -p "$(dirname "$output")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$output"
echo "$output: ${WIDTH}x${HEIGHT} at scale $scale"
