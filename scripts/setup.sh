#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs, with apt-get, every Debian 12 package the build, the tests and the
# demo need, when it is missing. Safe to run again: it does nothing then.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  ccache   # the compiler cache: a second clean clone builds in minutes
  qt6-base-dev qt6-serialport-dev libgl-dev
  libqcustomplot-dev   # the monitor's plots
  fonts-urw-base35   # Nimbus Sans: the compact face the window's captions are sized for
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format clang-tidy   # the fuzz build; formatting and lint
  xvfb xauth xdotool imagemagick x11-utils   # x11-utils: xprop, for the title bar test
  librsvg2-bin desktop-file-utils groff-base   # the icon, the menu entry and manual pages
  ser2net   # the network-port tests: a real serial device server on loopback
  # The package and its checks: dpkg-deb and dpkg-shlibdeps, readelf and
  # objdump, hardening-check, lintian, appstreamcli.
  dpkg-dev binutils devscripts lintian appstream
  # The core cross-built for Windows and its tests run under wine64; GoogleTest
  # for it is built from the source googletest installs in /usr/src.
  g++-mingw-w64-x86-64-posix wine wine64 googletest
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
