#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Keeps the core's folders depending on each other one way only: every
# `#include "folder/…"` in src/ must name the file's own folder or one its rule
# below allows. The same rules are written in docs/ARCHITECTURE.md (the folder
# table's "may include" column); this check also fails when the two differ, so
# the documentation cannot drift from what is enforced.
#
# The Qt side has rules of its own, for the rooms of qt/: a folder includes
# another by its name ("serial/PortMap.h", never a bare "PortMap.h"), and the serial and window adapters
# never reach up into the windows built on them (monitor/, tuning/).
#
#   scripts/check-includes.sh [SRC_DIR]    (default: the src/ beside this script;
#                                           the qt/ beside SRC_DIR is checked too)
#
# Prints each offending line and exits 1; prints nothing and exits 0 when clean.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
src="${1:-$here/src}"
src="${src%/}"
docs="$here/docs/ARCHITECTURE.md"

# folder: the folders it may include besides itself. Lower folders first; a
# folder never names one that names it, directly or through others.
rules='
platform:
text:
surface:
protocol:
observe: text protocol
files: text platform
link: text platform
monitor: text observe files platform
app: text surface observe files link
connection: text surface observe files link app
diagram: text surface protocol observe files link app
settings: text surface observe files link app
help: text surface protocol observe files link app
acquisition: text surface protocol observe files link app connection diagram settings
commands: text surface protocol observe files link app connection
dispatch: text surface observe files link app connection diagram settings help acquisition commands
tuning: text surface protocol observe files link app connection commands monitor platform
'

[ -d "$src" ] || { echo "check-includes: no folder $src" >&2; exit 2; }
[ -f "$docs" ] || { echo "check-includes: no $docs" >&2; exit 2; }

# Every folder's rule as the documentation's folder table states it:
# "| `src/acquisition/` | … | `app/`, `connection/`, … |" or "| … | nothing |".
documented=$(awk -F'|' '
  $2 ~ /^ *`src\/[a-z]+\/` *$/ {
    folder = $2; gsub(/[ `]|src\/|\//, "", folder)
    cell = $(NF - 1); rest = cell; out = ""
    while (match(rest, /`[a-z]+\/`/)) {
      out = out " " substr(rest, RSTART + 1, RLENGTH - 3)
      rest = substr(rest, RSTART + RLENGTH)
    }
    # Anything else in the cell than those names (or the word "nothing") is
    # not a rule this check can read, and counts as a difference.
    gsub(/`[a-z]+\/`|[ ,]/, "", cell)
    if (cell != "" && !(cell == "nothing" && out == "")) out = out " unreadable=" cell
    print folder ":" out
  }' "$docs")

# One "folder: a b c" line per folder, the names sorted, for comparing.
normalise() {
  awk -F: 'NF == 2 { n = split($2, w, " "); s = ""
    for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (w[j] < w[i]) { t = w[i]; w[i] = w[j]; w[j] = t }
    for (i = 1; i <= n; i++) s = s " " w[i]
    print $1 ":" s }' | sort
}

status=0
if ! diff_out=$(diff <(printf '%s\n' "$rules" | normalise) <(printf '%s\n' "$documented" | normalise)); then
  echo "check-includes: the rules here and the folder table in docs/ARCHITECTURE.md differ"
  echo "(< this script, > the documentation):"
  printf '%s\n' "$diff_out" | grep '^[<>]'
  status=1
fi

# Each quoted include of a source file, checked against its folder's rule.
find "$src" -type f \( -name '*.h' -o -name '*.cpp' \) | LC_ALL=C sort |
  awk -v src="$src/" -v rules="$rules" '
    BEGIN {
      n = split(rules, lines, "\n")
      for (i = 1; i <= n; i++) {
        if (split(lines[i], kv, ":") != 2) continue
        known[kv[1]] = 1
        m = split(kv[2], allowed, " ")
        for (j = 1; j <= m; j++) may[kv[1], allowed[j]] = 1
      }
      bad = 0
      # The rules themselves must point one way: no folder may reach itself.
      for (a in known) for (b in known) reach[a, b] = ((a, b) in may)
      for (k in known) for (a in known) for (b in known) if (reach[a, k] && reach[k, b]) reach[a, b] = 1
      for (a in known) if (reach[a, a]) { printf "the rules go round in a circle through %s/\n", a; bad = 1 }
    }
    {
      file = $0
      rel = substr(file, length(src) + 1)
      folder = rel; sub(/\/.*/, "", folder)
      if (rel !~ /\//) { printf "src/%s: a file outside any folder of the core\n", rel; bad = 1; next }
      if (!(folder in known) && !(folder in reported)) {
        printf "src/%s/: no include rule for this folder (add one here and in docs/ARCHITECTURE.md)\n", folder
        reported[folder] = 1; bad = 1
      }
      if (!(folder in known)) next
      line = 0
      while ((getline text < file) > 0) {
        line++
        if (text !~ /^[ \t]*#[ \t]*include[ \t]*"/) continue
        target = text; sub(/^[^"]*"/, "", target); sub(/".*/, "", target)
        if (target !~ /\//) continue          # beside the file: its own folder
        to = target; sub(/\/.*/, "", to)
        if (to == folder || may[folder, to]) continue
        printf "src/%s:%d: %s/ may not include %s/ (#include \"%s\")\n", rel, line, folder, to, target
        bad = 1
      }
      close(file)
    }
    END { exit bad }' || status=1

# The rooms of qt/, lowest first; main.cpp at its top may include any of them.
qt_rules='
serial:
window: serial
monitor: serial window
tuning: serial window monitor
'
qt="${src%/src}/qt"
if [ -d "$qt" ]; then
  # "| `qt/window/` | … | the core, Qt, `serial/` |": the backquoted folders.
  qt_documented=$(awk -F'|' '
    $2 ~ /^ *`qt\/[a-z]+\/` *$/ {
      folder = $2; gsub(/[ `]|qt\/|\//, "", folder)
      rest = $(NF - 1); out = ""
      while (match(rest, /`[a-z]+\/`/)) {
        out = out " " substr(rest, RSTART + 1, RLENGTH - 3)
        rest = substr(rest, RSTART + RLENGTH)
      }
      print folder ":" out
    }' "$docs")
  if ! diff_out=$(diff <(printf '%s\n' "$qt_rules" | normalise) <(printf '%s\n' "$qt_documented" | normalise)); then
    echo "check-includes: the qt/ rules here and the folder table in docs/ARCHITECTURE.md differ"
    echo "(< this script, > the documentation):"
    printf '%s\n' "$diff_out" | grep '^[<>]'
    status=1
  fi
  find "$qt" -mindepth 2 -type f \( -name '*.h' -o -name '*.cpp' \) | LC_ALL=C sort |
    awk -v qt="$qt/" -v rules="$qt_rules" '
      BEGIN {
        n = split(rules, lines, "\n")
        for (i = 1; i <= n; i++) {
          if (split(lines[i], kv, ":") != 2) continue
          known[kv[1]] = 1
          m = split(kv[2], allowed, " ")
          for (j = 1; j <= m; j++) may[kv[1], allowed[j]] = 1
        }
        bad = 0
      }
      {
        file = $0
        rel = substr(file, length(qt) + 1)
        folder = rel; sub(/\/.*/, "", folder)
        if (!(folder in known) && !(folder in reported)) {
          printf "qt/%s/: no include rule for this folder (add one here and in docs/ARCHITECTURE.md)\n", folder
          reported[folder] = 1; bad = 1
        }
        if (!(folder in known)) next
        dir = file; sub(/\/[^\/]*$/, "", dir)
        line = 0
        while ((getline text < file) > 0) {
          line++
          if (text !~ /^[ \t]*#[ \t]*include[ \t]*"/) continue
          target = text; sub(/^[^"]*"/, "", target); sub(/".*/, "", target)
          to = target; sub(/\/.*/, "", to)
          if (target !~ /\//) {
            # A bare name is a file beside this one; one of another room
            # would come in through that room`s include folder, and is named
            # by its folder instead, so a reader sees which room it is.
            if ((getline probe < (dir "/" target)) >= 0) { close(dir "/" target); continue }
            for (room in known)
              if (room != folder && (getline probe < (qt room "/" target)) >= 0) {
                close(qt room "/" target); to = room; break
              }
            if (to == target) continue
            printf "qt/%s:%d: a header of %s/ by its bare name (#include \"%s/%s\")\n", rel, line, to, to, target
            bad = 1
            continue
          }
          if (!(to in known) || to == folder || may[folder, to]) continue
          printf "qt/%s:%d: %s/ may not include %s/ (#include \"%s\")\n", rel, line, folder, to, target
          bad = 1
        }
        close(file)
      }
      END { exit bad }' || status=1
fi

exit "$status"
