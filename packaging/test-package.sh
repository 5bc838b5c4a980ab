#!/usr/bin/env bash
# Builds the Debian package from a built tree, unpacks it into a scratch root
# (the machine itself is not touched) and checks what an operator gets: the
# computed dependencies, every installed file, the menu entry, the icons, the
# manual pages, and the installed console started as the menu starts it, to
# its first frame on Qt's offscreen platform.
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
           libqt6serialport6; do
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

desktop="$root/usr/share/applications/purlo.desktop"
check "the menu entry is valid" desktop-file-validate "$desktop"
check "the menu entry starts the console in the operator's folder" \
  grep -qx "Exec=purlo --desktop" "$desktop"
check "the menu entry names the installed icon" grep -qx "Icon=purlo" "$desktop"

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

check "the changelog's latest entry is this version" \
  bash -c 'zcat "$1" | head -n1 | grep -q "^purlo ($2) "' _ \
  "$root/usr/share/doc/purlo/changelog.gz" "$(field Version)"
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
check "purlo --version names the package's version" \
  test "$("$root/usr/bin/purlo" --version)" = "purlo $(field Version)"

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
