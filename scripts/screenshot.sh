#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the console's window on a virtual X screen into docs/window.png
# (the picture in the README). Run after building; needs xvfb, xdotool and
# imagemagick (scripts/setup.sh installs them).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" != "--inside-xvfb" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inside-xvfb
fi

workdir=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$workdir"' EXIT
(cd "$workdir" && exec "$OLDPWD/build/bin/purlo") &
pid=$!

window=""
for _ in $(seq 50); do
  window=$(xdotool search --onlyvisible --name "Purlo" 2>/dev/null | head -n1 || true)
  [ -n "$window" ] && break
  sleep 0.2
done
[ -n "$window" ] || { echo "the window did not appear" >&2; exit 1; }
sleep 1  # let it paint

eval "$(xdotool getwindowgeometry --shell "$window")"
mkdir -p docs
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage docs/window.png
echo "docs/window.png: ${WIDTH}x${HEIGHT}"
