#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from a built tree, unpacks it into a scratch root
# (the machine itself is not touched) and checks what an operator gets: the
# computed dependencies, every installed file, the menu entry, the AppStream
# metadata, the icons, the manual pages, the licence, one version everywhere,
# the hardening of both programs, lintian's verdict, and the installed console
# started as the menu starts it, to its first frame on Qt's offscreen platform.
# Needs hardening-check (devscripts), lintian, appstreamcli (appstream) and
# desktop-file-validate (desktop-file-utils): scripts/setup.sh installs them.
#   packaging/test-package.sh CPACK BUILD_DIR
set -euo pipefail

cpack=$1
build=$(cd "$2" && pwd)
scratch=$(mktemp -d "${TMPDIR:-/tmp}/purlo-package.XXXXXX")
sim_pid=""
cleanup() {
  if [ -n "$sim_pid" ]; then kill -TERM "$sim_pid" 2>/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT

checks=0
failures=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  checks=$((checks + 1))
  if "$@"; then
    echo "ok   $what"
  else
    echo "FAIL $what"
    failures=$((failures + 1))
  fi
}
fatal() {
  echo "FAIL $*"
  exit 1
}

# --- the package -------------------------------------------------------------
if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" \
    >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log"
  fatal "cpack could not build the package"
fi
debs=("$scratch"/out/purlo_*.deb)
[ -f "${debs[0]}" ] && [ ${#debs[@]} -eq 1 ] || fatal "expected one purlo_*.deb, got: ${debs[*]}"
deb=${debs[0]}
echo "package $(basename "$deb")"

field() { dpkg-deb --field "$deb" "$1"; }
check "package name is purlo" test "$(field Package)" = purlo
check "architecture is this machine's" test "$(field Architecture)" = "$(dpkg --print-architecture)"
depends=$(field Depends)
echo "Depends: $depends"
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 \
           libqt6serialport6 libqcustomplot2.1-qt6; do
  check "computed dependency on $lib with a version" \
    grep -Eq "(^|, )${lib//+/\\+}(:[a-z0-9]+)? \(>= [^)]+\)" <<<"$depends"
done
check "the caption font is recommended" test "$(field Recommends)" = fonts-urw-base35

# Every file where a Debian system expects it, owned by root.
dpkg-deb --contents "$deb" >"$scratch/contents"
expected=(
  ./usr/bin/purlo
  ./usr/bin/purlo-probe-sim
  ./usr/share/applications/purlo.desktop
  ./usr/share/metainfo/org.example.purlo.metainfo.xml
  ./usr/share/lintian/overrides/purlo
  ./usr/share/purlo/Purlo.Txt
  ./usr/share/man/man1/purlo.1.gz
  ./usr/share/man/man1/purlo-probe-sim.1.gz
  ./usr/share/icons/hicolor/scalable/apps/purlo.svg
  ./usr/share/doc/purlo/copyright
  ./usr/share/doc/purlo/changelog.gz
)
sizes=(16 22 24 32 48 64 128 256)
for size in "${sizes[@]}"; do
  expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/purlo.png")
done
for path in "${expected[@]}"; do
  check "contains $path" grep -q " $path\$" "$scratch/contents"
done
check "installs nothing outside /usr" \
  bash -c '! awk "{ print \$6 }" "$1" | grep -v "^\./\$" | grep -v "^\./usr/"' _ "$scratch/contents"
check "every file is owned by root" \
  bash -c '! awk "{ print \$2 }" "$1" | grep -v "^root/root\$"' _ "$scratch/contents"
check "programs are executable by all" \
  test "$(grep " \./usr/bin/." "$scratch/contents" | awk '{ print $1 }' | sort -u)" = "-rwxr-xr-x"

# --- the unpacked files ------------------------------------------------------
root="$scratch/root"
dpkg-deb --extract "$deb" "$root"

for program in purlo purlo-probe-sim; do
  binary="$root/usr/bin/$program"
  check "$program is stripped" bash -c '! readelf --section-headers "$1" | grep -q "\.debug_info"' \
    _ "$binary"
  check "$program has no run path into the build tree" \
    bash -c '! readelf --dynamic "$1" | grep -Eq "RPATH|RUNPATH"' _ "$binary"
done

# --- hardening ---------------------------------------------------------------
# What dpkg-buildflags gives a Debian package (PIE, stack protector, fortified
# calls, read-only relocations bound at start), read back from each installed
# program by hardening-check, and the compiler protections it cannot always
# see, read from the unstripped build of the same program (same build id):
#  - control-flow enforcement: hardening-check looks for the ELF note that the
#    linker writes only when every object linked carries it, and Debian 12's
#    C start files (Scrt1.o, crti.o, crtn.o) do not; so it says "no" for any
#    program linked here, and the flag is checked in the compiler's record of
#    each unit instead (DW_AT_producer), with the endbr64 it leaves behind;
#  - stack clash probes: hardening-check finds them only in a function with a
#    frame of a page or more; "unknown" is taken when every unit was compiled
#    with -fstack-clash-protection;
#  - fortification: a program whose calls are all ones the compiler proved
#    safe (so none became a checked __*_chk call) is reported "no, only
#    unprotected functions found!"; that is taken when every compile of the
#    build had -D_FORTIFY_SOURCE=2.
build_id() { readelf --notes "$1" | awk '/Build ID:/ { print $3 }'; }
producers() { readelf --debug-dump=info "$1" 2>/dev/null | grep 'DW_AT_producer' || true; }
every_unit_has() {  # every_unit_has FLAG BINARY
  local all
  all=$(producers "$2")
  [ -n "$all" ] && ! grep -v -e "$1" <<<"$all" >/dev/null
}
every_compile_has() {  # every_compile_has TEXT: in compile_commands.json
  local commands="$build/compile_commands.json"
  [ -f "$commands" ] && [ "$(grep -c '"command":' "$commands")" -gt 0 ] &&
    ! grep '"command":' "$commands" | grep -v -e "$1" >/dev/null
}
for program in purlo purlo-probe-sim; do
  installed="$root/usr/bin/$program"
  built="$build/bin/$program"
  check "$program is the build's own (same build id)" \
    test -n "$(build_id "$installed")" -a "$(build_id "$installed")" = "$(build_id "$built")"
  report=$(hardening-check --nocfprotection "$installed" 2>&1 || true)
  echo "$report" | sed 's/^/     /'
  for protection in "Position Independent Executable" "Stack protected" \
                    "Read-only relocations" "Immediate binding"; do
    check "$program: $protection" grep -q "^ $protection: yes" <<<"$report"
  done
  if grep -q "^ Fortify Source functions: no, only unprotected functions found!" <<<"$report"; then
    check "$program: no call needed a fortify check; built with _FORTIFY_SOURCE=2" \
      every_compile_has "-D_FORTIFY_SOURCE=2"
  else
    check "$program: Fortify Source functions" \
      grep -q "^ Fortify Source functions: yes" <<<"$report"
  fi
  if grep -q "^ Stack clash protection: unknown" <<<"$report"; then
    check "$program: every unit compiled with -fstack-clash-protection" \
      every_unit_has " -fstack-clash-protection" "$built"
  else
    check "$program: Stack clash protection" grep -q "^ Stack clash protection: yes" <<<"$report"
  fi
  check "$program: every unit compiled with -fcf-protection" \
    every_unit_has " -fcf-protection" "$built"
  check "$program: its functions open with endbr64" \
    bash -c 'objdump -d --no-show-raw-insn "$1" | grep -q "endbr64"' _ "$installed"
done

# --- lintian -----------------------------------------------------------------
# No error and no warning; informational tags may stay, and the overrides the
# package ships say why each is meant so.
status=0
lintian --fail-on error,warning --display-info --display-experimental --pedantic "$deb" \
  >"$scratch/lintian.out" 2>&1 || status=$?
grep -v "^running with root privileges" "$scratch/lintian.out" | sed 's/^/     /' || true
check "lintian passes (status $status)" test "$status" -eq 0
check "lintian reports no error or warning" \
  bash -c '! grep -Eq "^(E|W): " "$1"' _ "$scratch/lintian.out"
check "lintian uses every shipped override" \
  bash -c '! grep -Eq "unused-override|mismatched-override" "$1"' _ "$scratch/lintian.out"

desktop="$root/usr/share/applications/purlo.desktop"
check "the menu entry is valid" desktop-file-validate "$desktop"
check "the menu entry starts the console in the operator's folder" \
  grep -qx "Exec=purlo --desktop" "$desktop"
check "the menu entry names the installed icon" grep -qx "Icon=purlo" "$desktop"

# The AppStream metadata: valid alone and with the menu entry and icons it
# refers to, with no issue above the pedantic.
metainfo="$root/usr/share/metainfo/org.example.purlo.metainfo.xml"
check "the AppStream metadata validates" \
  appstreamcli validate --no-net --strict --no-color "$metainfo"
check "the AppStream metadata validates with the installed menu entry and icons" \
  appstreamcli validate-tree --no-net --strict --no-color "$root"
check "the AppStream metadata launches the menu entry" \
  grep -q '<launchable type="desktop-id">purlo.desktop</launchable>' "$metainfo"
for program in purlo purlo-probe-sim; do
  check "the AppStream metadata provides $program" grep -q "<binary>$program</binary>" "$metainfo"
done
check "the AppStream metadata names the licences" \
  bash -c 'grep -q "<project_license>GPL-3.0-or-later</project_license>" "$1" &&
           grep -q "<metadata_license>FSFAP</metadata_license>" "$1"' _ "$metainfo"

png_size() {  # width x height from the PNG header
  od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }'
}
for size in "${sizes[@]}"; do
  png="$root/usr/share/icons/hicolor/${size}x${size}/apps/purlo.png"
  check "the ${size}px icon is ${size}x${size}" test "$(png_size "$png")" = "${size}x${size}"
done

for page in purlo purlo-probe-sim; do
  gz="$root/usr/share/man/man1/$page.1.gz"
  check "manual page $page(1) is gzip'd" gzip --test "$gz"
  check "manual page $page(1) formats without warnings" \
    bash -c 'out=$(zcat "$1" | LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z 2>&1) && [ -z "$out" ]' _ "$gz"
  check "manual page $page(1) names the program" \
    bash -c 'zcat "$1" | grep -q "^\.TH $(tr a-z A-Z <<<"$2") 1"' _ "$gz" "$page"
done

# One version: the package's, from the project's, everywhere it is shown.
version=$(field Version)
check "the changelog's latest entry is this version" \
  bash -c 'zcat "$1" | head -n1 | grep -q "^purlo ($2) "' _ \
  "$root/usr/share/doc/purlo/changelog.gz" "$version"
for page in purlo purlo-probe-sim; do
  check "manual page $page(1) shows this version" \
    bash -c 'zcat "$1" | grep -q "^\.TH .* \"purlo $2\" "' _ "$root/usr/share/man/man1/$page.1.gz" \
    "$version"
done
check "the AppStream metadata's newest release is this version" \
  test "$(grep -m1 -o '<release version="[^"]*"' "$metainfo")" = "<release version=\"$version\""

# The licence: a machine-readable copyright file that grants the GPL.
copyright="$root/usr/share/doc/purlo/copyright"
check "the copyright file is machine-readable" \
  grep -qx "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" "$copyright"
check "the copyright file puts every file under the GPL, version 3 or later" \
  bash -c 'grep -A2 -x "Files: \*" "$1" | grep -qx "License: GPL-3+" &&
           grep -qx "License: GPL-3+" "$1" &&
           grep -q "/usr/share/common-licenses/GPL-3" "$1"' _ "$copyright"
check "the shipped Purlo.Txt is the source's" \
  cmp "$root/usr/share/purlo/Purlo.Txt" "$(dirname "$0")/../data/Purlo.Txt"

# --- the installed programs --------------------------------------------------
export QT_QPA_PLATFORM=offscreen
export PURLO_REPORT_FIRST_FRAME=1 PURLO_EXIT_AFTER_FIRST_FRAME=1

# As the menu starts it: from a folder the operator cannot use (here /), with
# a home of its own; the console moves into ~/Purlo and copies Purlo.Txt.
home="$scratch/home"
mkdir -p "$home"
status=0
(cd / && HOME="$home" timeout 60 "$root/usr/bin/purlo" --desktop) \
  >"$scratch/desktop.out" 2>&1 || status=$?
check "the installed console started from the menu exits cleanly (status $status)" \
  test "$status" -eq 0
check "it reached its first frame, working in ~/Purlo" \
  grep -qx "purlo: first frame .* ms after process start, .*, in $home/Purlo" "$scratch/desktop.out"
check "it copied the shipped Purlo.Txt into ~/Purlo" \
  cmp "$home/Purlo/Purlo.Txt" "$root/usr/share/purlo/Purlo.Txt"
check "the copy is the operator's to edit" \
  test "$(stat -c %A "$home/Purlo/Purlo.Txt" | cut -c3)" = w

# The next start keeps the operator's edited copy.
printf 'my notes\r\n' >"$home/Purlo/Purlo.Txt"
status=0
(cd / && HOME="$home" timeout 60 "$root/usr/bin/purlo" --desktop) >/dev/null 2>&1 || status=$?
check "a second start exits cleanly (status $status)" test "$status" -eq 0
check "a second start keeps the operator's Purlo.Txt" \
  test "$(cat "$home/Purlo/Purlo.Txt")" = $'my notes\r'

# From a shell: the shell's folder, and no ~/Purlo.
shell_home="$scratch/shell-home"
mkdir -p "$shell_home" "$scratch/shell"
status=0
(cd "$scratch/shell" && HOME="$shell_home" timeout 60 "$root/usr/bin/purlo") \
  >"$scratch/shell.out" 2>&1 || status=$?
check "the installed console started from a shell exits cleanly (status $status)" \
  test "$status" -eq 0
check "from a shell it works in the shell's folder" \
  grep -qx "purlo: first frame .* ms after process start, .*, in $scratch/shell" "$scratch/shell.out"
check "from a shell it makes no ~/Purlo" test ! -e "$shell_home/Purlo"
for program in purlo purlo-probe-sim; do
  check "$program --version names the package's version" \
    test "$("$root/usr/bin/$program" --version | head -n1)" = "$program $version"
  check "$program --version names the licence" \
    bash -c '"$1" --version | grep -q "GPL-3.0-or-later"' _ "$root/usr/bin/$program"
done
check "purlo --help needs no display" \
  bash -c 'env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$1" --help | grep -q "^Usage: purlo"' \
  _ "$root/usr/bin/purlo"

# The simulator: it serves a link and removes it when it is told to stop.
check "purlo-probe-sim --help exits cleanly" \
  bash -c '"$1" --help >/dev/null' _ "$root/usr/bin/purlo-probe-sim"
link="$scratch/purlo-com1"
"$root/usr/bin/purlo-probe-sim" --link "$link" --fast >"$scratch/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do
  [ -L "$link" ] && break
  sleep 0.05
done
check "the installed simulator serves its link" test -L "$link"
kill -TERM "$sim_pid"
status=0
wait "$sim_pid" || status=$?
sim_pid=""
check "the simulator ends cleanly on SIGTERM (status $status)" test "$status" -eq 0
check "the simulator removed its link" test ! -e "$link"

# The package's dependencies are met on this system (a simulation, nothing is
# installed).
check "apt can install the package here" \
  bash -c 'apt-get install --simulate --no-install-recommends "$1" >/dev/null 2>&1' _ "$deb"

echo "$((checks - failures)) of $checks package checks passed"
[ "$failures" -eq 0 ]
