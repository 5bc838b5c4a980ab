#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# scripts/spdx.sh on a small tree of its own: what --check lists, where the
# line goes in each kind of file, what it leaves alone, and that a second run
# changes nothing.
#   tests/scripts/spdx-test.sh SCRIPT
set -euo pipefail

script=$(realpath "$1")
tree=$(mktemp -d "${TMPDIR:-/tmp}/purlo-spdx.XXXXXX")
trap 'rm -rf "$tree"' EXIT
cd "$tree"
mkdir -p scripts src/app fuzz/corpus/decoder packaging/man data
cp "$script" scripts/spdx.sh

printf 'int x;\n' >src/app/a.cpp
printf '#pragma once\n' >src/app/a.h
printf '#!/usr/bin/env bash\necho hi\n' >scripts/run.sh
chmod 755 scripts/run.sh
printf '#!/bin/sh\nexit 0\n' >scripts/tool
chmod 755 scripts/tool
printf 'add_subdirectory(src)\n' >CMakeLists.txt
printf '#!not a script\n' >fuzz/corpus/decoder/seed.sh
printf '.TH X 1\n' >packaging/man/x.1.in
printf 'data\n' >data/notes.sh
printf '// SPDX-License-Identifier: GPL-3.0-or-later\nint y;\n' >src/app/done.cpp

failures=0
expect() {  # expect DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then
    echo "ok   $what"
  else
    echo "FAIL $what"
    failures=$((failures + 1))
  fi
}
same() {  # same DESCRIPTION GOT WANTED
  if [ "$2" = "$3" ]; then
    echo "ok   $1"
  else
    printf 'FAIL %s\n  got:    %s\n  wanted: %s\n' "$1" "$2" "$3"
    failures=$((failures + 1))
  fi
}

status=0
listed=$(scripts/spdx.sh --check 2>/dev/null) || status=$?
same "--check fails while files lack the line" "$status" 1
same "--check lists exactly the source files without it" "$listed" \
  "$(printf '%s\n' CMakeLists.txt scripts/run.sh scripts/tool src/app/a.cpp src/app/a.h)"

scripts/spdx.sh >/dev/null
same "C++ gets a // line on top" "$(cat src/app/a.cpp)" \
  "$(printf '// SPDX-License-Identifier: GPL-3.0-or-later\nint x;')"
same "a header too" "$(head -n1 src/app/a.h)" "// SPDX-License-Identifier: GPL-3.0-or-later"
same "a shell script gets it after its #! line" "$(cat scripts/run.sh)" \
  "$(printf '#!/usr/bin/env bash\n# SPDX-License-Identifier: GPL-3.0-or-later\necho hi')"
same "a script without extension too" "$(sed -n 2p scripts/tool)" \
  "# SPDX-License-Identifier: GPL-3.0-or-later"
same "scripts stay executable" "$(stat -c %a scripts/run.sh)" 755
same "CMake gets a # line" "$(head -n1 CMakeLists.txt)" "# SPDX-License-Identifier: GPL-3.0-or-later"
same "fuzz seeds are data" "$(cat fuzz/corpus/decoder/seed.sh)" '#!not a script'
same "manual pages and data are left alone" "$(cat packaging/man/x.1.in data/notes.sh)" \
  "$(printf '.TH X 1\ndata')"
same "a file that has it keeps one line" \
  "$(grep -c SPDX src/app/done.cpp)" 1

expect "--check passes afterwards" scripts/spdx.sh --check
before=$(cat src/app/*.* scripts/* CMakeLists.txt | md5sum)
scripts/spdx.sh >/dev/null
same "a second run changes nothing" "$(cat src/app/*.* scripts/* CMakeLists.txt | md5sum)" "$before"

printf '// SPDX-License-Identifier: MIT\n' >src/app/other.h
status=0
out=$(scripts/spdx.sh 2>&1) || status=$?
same "another licence is refused" "$status" 1
same "and named" "$out" "src/app/other.h: another licence: MIT"
same "and not touched" "$(cat src/app/other.h)" "// SPDX-License-Identifier: MIT"

[ "$failures" -eq 0 ] && echo "spdx.sh: all checks passed"
[ "$failures" -eq 0 ]
