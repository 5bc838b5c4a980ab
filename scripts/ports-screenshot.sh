#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the port chooser on a virtual X screen into docs/ports.png: the
# console against the simulated probe, its Comm1 bound in the user's settings
# to the simulator's link (a pseudo-terminal, so it has no /dev/serial/by-id
# name), the console menu opened with a right-click on the Comm button and
# "Port for Comm1" unfolded. Run after building.
#   scripts/ports-screenshot.sh [OUTPUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/ports.png}

if [ "${INSIDE_XVFB:-}" != "1" ]; then
  INSIDE_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$out"
fi

. scripts/demo-session.sh
demo_session --level-min 900 --level-max 1300 --level-speed 25 --noise 1.5

# Comm1 bound as the chooser binds it; no PURLO_COMM1, which would override it.
mkdir -p "$work/.config/purlo"
printf '[General]\nComm1=%s\n' "$work/com1" >"$work/.config/purlo/ports.conf"
(cd "$work" && HOME="$work" XDG_CONFIG_HOME="$work/.config" env -u PURLO_COMM1 \
  "$root/build/bin/purlo") &
console_pid=$!
console=""
for _ in $(seq 50); do
  console=$(xdotool search --onlyvisible --name "Purlo\$" 2>/dev/null | head -n1 || true)
  [ -n "$console" ] && break
  sleep 0.2
done
[ -n "$console" ] || { echo "the window did not appear" >&2; exit 1; }
sleep 0.5
xdotool windowmove "$console" 0 0
sleep 0.3
eval "$(xdotool getwindowgeometry --shell "$console")"
cw=$WIDTH; ch=$HEIGHT

# A point of a control, from its place in twips (1440 per inch, 96 dpi screen).
at() {  # left top width height
  echo $(((($1 + $3 / 2) * 96) / 1440)) $(((($2 + $4 / 2) * 96) / 1440))
}
read -r sx sy < <(at 6936 5184 564 264)   # Start
xdotool mousemove --window "$console" "$sx" "$sy" click 1
sleep 4
read -r px py < <(at 7704 4632 768 264)   # Comm1
xdotool mousemove --window "$console" "$px" "$py" click 3
sleep 0.5
# The menu opens at the pointer; its first entry, "Port for Comm1", just below.
xdotool mousemove --window "$console" $((px + 30)) $((py + 12))
sleep 1.2

mkdir -p "$(dirname "$out")"
import -window root -crop "$((cw + 420))x$((ch + 20))+0+0" +repage "$out"
echo "$out"
