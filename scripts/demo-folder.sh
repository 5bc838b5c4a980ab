#!/usr/bin/env bash
# Prepares a working folder for the console against the probe simulator:
#   scripts/demo-folder.sh FOLDER [BAUD]
# The console's settings there get Comm1 at the simulator's rate (BAUD,
# default 9600) and a 2000 mm zero point, the other values as a fresh
# installation has them. An existing purlo.Set is kept (the operator may have
# saved zoom or offset) unless its port or rate would not reach the simulator.
# The information file "Program info" shows is copied in when missing; an
# operator's edited copy is kept.
set -euo pipefail
cd "$(dirname "$0")/.."
folder=$1
baud=${2:-9600}
mkdir -p "$folder"

settings="$folder/purlo.Set"
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

[ -e "$folder/Purlo.Txt" ] || cp data/Purlo.Txt "$folder/Purlo.Txt"
