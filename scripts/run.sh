#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the console and the probe simulator, then runs the console against a
# simulated probe on Comm1, in the demo working directory demo/. Closing the
# console stops the simulator.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"

scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"

if [ ! -x build/bin/purlo ]; then
  echo "The console was not built (build/bin/purlo is missing)." >&2
  exit 1
fi

demo="$root/demo"
link="$demo/purlo-com1"
baud=9600
mkdir -p "$demo"

# The console's settings: Comm1 at the simulator's rate, a 2000 mm zero point,
# the other values as a fresh installation has them. An existing file is kept
# (the operator may have saved zoom or offset) unless its port or rate would
# not reach the simulator.
settings="$demo/purlo.Set"
if ! awk -v baud="$baud" 'NR == 1 { port = $1 + 0 } NR == 2 { rate = $1 + 0 }
                          END { exit !(NR == 17 && port == 1 && rate == baud) }' \
        "$settings" 2>/dev/null; then
  printf '%s\r\n' \
    " 1     Serial CommPort." \
    " $baud baud rate." \
    "False  mm + C or inch + F." \
    " 10    Zoom Horizontal." \
    " 150   Zoom Vertical." \
    " 160   Sampling Length." \
    "54211  #." \
    "False  if 1 or true, check probe transducer!" \
    "2336543  Eep." \
    " 0   Reserve command Rc1." \
    " 0   Reserve command Rc2." \
    " 2000   Level offset +/-7000mm maxi." \
    " 0   Reserve command Rc4 Top Alarm." \
    " 0   Reserve command Rc3.Bottom Alarm." \
    " " \
    "This is the Purlo Program Setup Purlo.set file. Do not edit." \
    " " >"$settings"
fi

# The information file "Program info" shows; an operator's edited copy is kept.
[ -e "$demo/Purlo.Txt" ] || cp data/Purlo.Txt "$demo/Purlo.Txt"

# A factory-fresh probe for every demo: its memory ("W") lasts one session.
rm -f "$demo/probe-memory"

# The surface moves between 0.6 m and 1.7 m below the probe, so with the zero
# point at 2000 mm the fill height goes between 300 mm and 1400 mm.
build/bin/purlo-probe-sim --link "$link" --baud "$baud" \
  --level-min 600 --level-max 1700 --level-speed 8 --noise 1.5 --spikes 0.002 \
  --state "$demo/probe-memory" --log "$demo/probe-traffic.log" >/dev/null &
sim_pid=$!

stop_simulator() {
  if kill -0 "$sim_pid" 2>/dev/null; then
    kill -TERM "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
}
trap stop_simulator EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The link appears once the simulator is serving.
for _ in $(seq 100); do
  [ -L "$link" ] && break
  if ! kill -0 "$sim_pid" 2>/dev/null; then
    echo "The probe simulator did not start." >&2
    exit 1
  fi
  sleep 0.05
done
if [ ! -L "$link" ]; then
  echo "The probe simulator did not create $link." >&2
  exit 1
fi

echo "Simulated probe on Comm1 ($link, $baud baud); traffic in demo/probe-traffic.log."
echo "Click Start in the console to see it."
cd "$demo"
PURLO_COMM1="$link" "$root/build/bin/purlo"
