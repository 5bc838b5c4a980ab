# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the screenshot scripts: a scratch working folder with a purlo.Set
# for Comm1 at 9600 baud and the zero point at 2000 mm, the simulated probe
# behind Comm1 started with the options given, and everything ended and
# removed when the script exits. The script then starts the console itself
# (PURLO_COMM1="$work/com1", in "$work") and sets console_pid, or calls
# console_with_monitor, which starts it with the monitor beside it.
#   demo_session [SIMULATOR OPTIONS...]
root=$(pwd)
work=$(mktemp -d)
sim_pid=""; console_pid=""
demo_cleanup() {
  [ -n "$console_pid" ] && kill "$console_pid" 2>/dev/null || true
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap demo_cleanup EXIT

demo_session() {
  printf '%s\r\n' " 1     Serial CommPort." " 9600 baud rate." "False  mm + C or inch + F." \
    " 10    Zoom Horizontal." " 150   Zoom Vertical." " 160   Sampling Length." "54211  #." \
    "False  if 1 or true, check probe transducer!" "2336543  Eep." " 0   Reserve command Rc1." \
    " 0   Reserve command Rc2." " 2000   Level offset +/-7000mm maxi." " 0   Reserve command Rc4 Top Alarm." \
    " 0   Reserve command Rc3.Bottom Alarm." " " "This is the Purlo Program Setup Purlo.set file. Do not edit." " " \
    >"$work/purlo.Set"
  build/bin/purlo-probe-sim --link "$work/com1" --baud 9600 "$@" >/dev/null &
  sim_pid=$!
  for _ in $(seq 100); do [ -L "$work/com1" ] && break; sleep 0.05; done
}

# The console as a fresh user starts it (the settings from their defaults) with
# --monitor: the console's window at the top left, the monitor to its right.
# Sets console and monitor (their window ids), cw and ch (the console's size)
# and the click helper: a point of a console control from its place in twips
# (1440 per inch, 96 dpi screen).
console_with_monitor() {
  (cd "$work" && HOME="$work" XDG_CONFIG_HOME="$work/.config" PURLO_COMM1="$work/com1" \
    exec "$root/build/bin/purlo" --monitor) &
  console_pid=$!
  console=""; monitor=""
  for _ in $(seq 50); do
    console=$(xdotool search --onlyvisible --name "Purlo\$" 2>/dev/null | head -n1 || true)
    monitor=$(xdotool search --onlyvisible --name "Purlo monitor" 2>/dev/null | head -n1 || true)
    [ -n "$console" ] && [ -n "$monitor" ] && [ "$console" != "$monitor" ] && break
    sleep 0.2
  done
  [ -n "$console" ] && [ -n "$monitor" ] || { echo "the windows did not appear" >&2; exit 1; }
  sleep 0.5
  xdotool windowmove "$console" 0 0
  eval "$(xdotool getwindowgeometry --shell "$console")"
  cw=$WIDTH; ch=$HEIGHT
  xdotool windowmove "$monitor" $((cw + 8)) 0
  sleep 0.3
}

click() {  # left top width height
  local px=$(((($1 + $3 / 2) * 96) / 1440)) py=$(((($2 + $4 / 2) * 96) / 1440))
  xdotool mousemove --window "$console" "$px" "$py" click 1
}
