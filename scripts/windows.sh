#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows build on a Debian 12 machine, from Debian's own packages:
#   1. installs the cross toolchain (mingw-w64, wine, NSIS) with apt-get;
#   2. fetches the source packages qt6-base and qcustomplot with apt-get
#      source, adding a deb-src entry for Debian's archive in a file of its
#      own, /etc/apt/sources.list.d/purlo-deb-src.list (when no deb-src entry
#      for Debian is there yet);
#   3. builds Qt for Windows once into a cache,
#      ~/.cache/purlo/qt-<version>-<hash of the configure line>/ (skipped when
#      it is there: a second run takes minutes), and QCustomPlot for Windows
#      against it into the same folder;
#   4. cross-builds the core and its tests and runs them under wine
#      (scripts/windows-core-test.sh);
#   5. cross-builds the console and the simulator (purlo-probe-sim.exe, TCP
#      only) against that Qt (the windows preset, into build-windows/),
#      stages them with their DLLs (build-windows/stage/Purlo)
#      and makes the installer purlo-setup-VERSION-x86_64.exe (NSIS) and
#      purlo-VERSION-x86_64.zip in build-windows/;
#   6. checks under wine, on a virtual display (Xvfb :96, PURLO_DISPLAY to
#      change it) with a wine prefix of its own (build-windows/wineprefix):
#      the console's window against the Linux simulator over tcp://, and over
#      a COM port that wine maps to the simulator's pseudo-terminal (Start,
#      values, echoes, a recording and its playback, Exit); the Windows
#      simulator under wine over tcp:// the same way; the console
#      itself starts (a screenshot: build-windows/wine-console.png); the
#      installer installs silently, the installed console starts, and the
#      uninstaller removes it. Any failed check fails the script.
# Qt's build runs at the lowest priority (nice 19): other builds on the
# machine go first. PURLO_CACHE overrides the cache folder; PURLO_BUILD_LOCK
# names a lock file the builds after Qt's wait for (flock), on a machine
# whose builds take turns.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cache="${PURLO_CACHE:-$HOME/.cache/purlo}"
jobs=$(nproc)
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

echo "== the cross toolchain"
packages=(g++-mingw-w64-x86-64-posix wine wine64 nsis cmake ninja-build dpkg-dev
          qt6-base-dev qt6-base-dev-tools zip xvfb xdotool imagemagick)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

echo "== Debian's source packages"
src_list=/etc/apt/sources.list.d/purlo-deb-src.list
if ! grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  echo "Adding $src_list (deb-src for Debian's archive)"
  # The same keyring as the binary entries name, if they name one: apt
  # refuses two entries for one archive that differ in it.
  keyring=$(grep -rhoE '(Signed-By:|signed-by=) *[^] ]+' /etc/apt/sources.list /etc/apt/sources.list.d/ \
              2>/dev/null | grep -m1 debian-archive | sed -E 's/(Signed-By:|signed-by=) *//' || true)
  options=""
  if [ -n "$keyring" ]; then options="[signed-by=$keyring] "; fi
  $sudo tee "$src_list" >/dev/null <<LIST
# Debian's source packages, for scripts/windows.sh of the Purlo console
# (Qt and QCustomPlot built for Windows). Safe to remove afterwards.
deb-src ${options}http://deb.debian.org/debian bookworm main
deb-src ${options}http://deb.debian.org/debian bookworm-updates main
deb-src ${options}http://deb.debian.org/debian-security bookworm-security main
LIST
  $sudo apt-get update -qq
fi
sources="$cache/src"
mkdir -p "$sources"
fetch() {  # fetch PACKAGE: its unpacked source folder, fetched once
  local dir
  dir=$(find "$sources" -maxdepth 1 -type d -name "$1-*" | sort | tail -1)
  if [ -z "$dir" ]; then
    (cd "$sources" && apt-get source -qq "$1" >/dev/null)
    dir=$(find "$sources" -maxdepth 1 -type d -name "$1-*" | sort | tail -1)
  fi
  [ -n "$dir" ] || { echo "windows.sh: apt-get source $1 gave no folder" >&2; exit 1; }
  printf '%s\n' "$dir"
}
qt_src=$(fetch qt6-base)
qcp_src=$(fetch qcustomplot)
qt_version=$(sed -n 's/^set(QT_REPO_MODULE_VERSION "\([0-9.]*\)")/\1/p' "$qt_src/.cmake.conf")

# The configure line as the issue that brought it describes it: Debian's own
# Qt as the host tools, the bundled third-party libraries (so no Linux
# development package is picked up), no OpenGL, Vulkan, ICU, OpenSSL, D-Bus,
# fontconfig or GLib, and no tablet events (Debian's repacked source drops
# the wintab headers). Direct2D stays: without it PrintSupport does not link.
# No SQL either: the console has no use for it, and Debian's source drops the
# bundled SQLite its driver would need.
qt_options=(-xplatform win32-g++ -release -shared -nomake examples -nomake tests
            -opengl no -no-feature-vulkan -no-feature-sql
            -qt-zlib -qt-libpng -qt-libjpeg -qt-freetype -qt-harfbuzz -qt-pcre -qt-doubleconversion
            -no-icu -no-openssl -no-dbus -no-fontconfig -no-glib -no-feature-tabletevent
            -qt-host-path /usr)
# The toolchain file goes into the cache with Qt, whose qt.toolchain.cmake
# names it for every build against this Qt.
cmake_options=(-DPURLO_MINGW_STATIC=OFF -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake)
key=$(cat <(printf '%s\n' "$qt_version" "${qt_options[@]}" "${cmake_options[@]}") \
          "$here/cmake/mingw-w64.cmake" | sha256sum | cut -c1-12)
prefix="$cache/qt-$qt_version-$key"
toolchain="$cache/mingw-w64-$key.cmake"
cp "$here/cmake/mingw-w64.cmake" "$toolchain"
cmake_options+=(-DCMAKE_TOOLCHAIN_FILE="$toolchain")

if [ -f "$prefix/.complete" ]; then
  echo "== Qt $qt_version for Windows: in the cache ($prefix)"
else
  echo "== Qt $qt_version for Windows: building into $prefix (the first time takes long)"
  build="$cache/build-qt-$qt_version-$key"
  rm -rf "$build" "$prefix"
  mkdir -p "$build"
  start=$(date +%s)
  (cd "$build" &&
    nice -n 19 "$qt_src/configure" -prefix "$prefix" "${qt_options[@]}" -- "${cmake_options[@]}" &&
    nice -n 19 cmake --build . --parallel "$jobs" &&
    nice -n 19 cmake --install .)
  rm -rf "$build"
  echo "Qt built in $(( ($(date +%s) - start) / 60 )) minutes; $(du -sh "$prefix" | cut -f1) installed"
  touch "$prefix/.complete"
fi

qcp="$prefix/qcustomplot"
if [ -f "$qcp/.complete" ]; then
  echo "== QCustomPlot for Windows: in the cache"
else
  echo "== QCustomPlot for Windows"
  rm -rf "$qcp" "$prefix/build-qcustomplot"
  cmake -S "$here/cmake/qcustomplot-windows" -B "$prefix/build-qcustomplot" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$prefix/lib/cmake/Qt6/qt.toolchain.cmake" -DPURLO_MINGW_STATIC=OFF \
    -DCMAKE_BUILD_TYPE=Release -DQCUSTOMPLOT_SOURCE="$qcp_src" \
    -DCMAKE_INSTALL_PREFIX="$qcp" >/dev/null
  nice -n 19 cmake --build "$prefix/build-qcustomplot" --parallel "$jobs"
  cmake --install "$prefix/build-qcustomplot" >/dev/null
  rm -rf "$prefix/build-qcustomplot"
  touch "$qcp/.complete"
fi

locked() {  # runs a build, in turn with the machine's others when asked to
  if [ -n "${PURLO_BUILD_LOCK:-}" ]; then flock "$PURLO_BUILD_LOCK" "$@"; else "$@"; fi
}

echo "== the core's tests under wine"
locked "$here/scripts/windows-core-test.sh"

echo "== the console for Windows"
export PURLO_WINDOWS_QT="$prefix"
version=$(sed -n 's/^project(purlo VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")
wbuild="$here/build-windows"
(cd "$here" && cmake --preset windows ${CI:+-DPURLO_WERROR=ON} >/dev/null)
locked cmake --build "$wbuild" --parallel "$jobs"
# The simulator the checks talk to runs on Linux (the release build, with
# the packages scripts/setup.sh installs), and so does the check program's
# Linux run the recordings are compared with.
if [ ! -f "$here/build/CMakeCache.txt" ]; then
  "$here/scripts/setup.sh"
  (cd "$here" && cmake --preset release >/dev/null)
fi
locked cmake --build "$here/build" --parallel "$jobs" --target purlo-probe-sim purlo-console-check
sim="$here/build/bin/purlo-probe-sim"

echo "== the installer and the zip"
stage="$wbuild/stage/Purlo"
rm -rf "$wbuild/stage"
cmake --install "$wbuild" --prefix "$stage" --strip >/dev/null
# Qt's DLLs and the compiler's runtime come with their symbols.
x86_64-w64-mingw32-strip --strip-unneeded "$stage"/bin/*.dll "$stage"/bin/*/*.dll
setup="$wbuild/purlo-setup-$version-x86_64.exe"
zipfile="$wbuild/purlo-$version-x86_64.zip"
rm -f "$setup" "$zipfile"
makensis -V2 -DSTAGING="$stage" -DOUTFILE="$setup" "$wbuild/purlo.nsi"
(cd "$wbuild/stage" && zip -qr9X "$zipfile" Purlo)
echo "$setup: $(du -h "$setup" | cut -f1); $zipfile: $(du -h "$zipfile" | cut -f1);" \
     "installed $(du -sh "$stage" | cut -f1)"

"$here/scripts/windows-checks.sh" "$wbuild" "$sim" "$setup"
