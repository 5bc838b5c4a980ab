#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows console's checks under wine (scripts/windows.sh runs them):
#   windows-checks.sh BUILD SIMULATOR INSTALLER
# BUILD is the Windows build folder (build-windows, with stage/Purlo staged),
# SIMULATOR the Linux purlo-probe-sim, INSTALLER the setup program. On a
# virtual display (Xvfb on PURLO_DISPLAY, :96 unless set) with a wine prefix
# of its own under BUILD. Each check says ok or FAIL; any FAIL fails it.
set -euo pipefail
wbuild="$1"
sim="$2"
setup="$3"
stage="$wbuild/stage/Purlo"
work="$wbuild/checks"
rm -rf "$work"
mkdir -p "$work"

export WINEPREFIX="$wbuild/wineprefix"
export WINEDEBUG=-all
# No Mono or Gecko installer prompts (the console needs neither), and no
# menu entries of the installed console in this machine's own menus.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export DISPLAY="${PURLO_DISPLAY:-:96}"
pids=()
# shellcheck disable=SC2317  # run by the trap
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wineserver -k 2>/dev/null || true
}
trap cleanup EXIT
display=${DISPLAY#:}
if [ ! -e "/tmp/.X11-unix/X$display" ]; then
  Xvfb "$DISPLAY" -screen 0 1366x768x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
fi
wineboot -i >/dev/null 2>&1
# The prefix's own Documents and the like, not links into this user's home:
# the console's working folder stays under BUILD.
for link in "$WINEPREFIX"/drive_c/users/*/{Desktop,Documents,Downloads,Music,Pictures,Videos}; do
  if [ -L "$link" ]; then rm "$link" && mkdir "$link"; fi
done
failed=0
say() {  # say ok|FAIL TEXT...
  echo "$*"
  if [ "$1" != ok ]; then failed=1; fi
}
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# The staged console's DLLs and plugins serve the check program too.
check_bin="$work/bin"
cp -r "$stage/bin" "$check_bin"
cp "$wbuild/bin/purlo-console-check.exe" "$check_bin/"

# Starts the simulator with the options every check uses, its output in $1;
# sim_pid is its process, sim_at its first line (the pty or tcp://HOST:PORT).
# sim_run is the command that runs it: the Linux one, or the Windows one under wine.
sim_run=("$sim")
start_sim() {
  local out="$1"
  shift
  # A still surface and a steady temperature: one session sends the same
  # bytes whenever it runs, so recordings can be compared byte for byte.
  "${sim_run[@]}" --fast --baud 9600 --level-min 1000 --level-max 1000 \
    --temperature-swing 0 "$@" >"$out" 2>&1 &
  sim_pid=$!
  pids+=("$sim_pid")
  for _ in $(seq 300); do [ -s "$out" ] && break; sleep 0.1; done
  sim_at=$(head -1 "$out" | tr -d '\r')
}

echo "== the console's window over tcp:// under wine"
start_sim "$work/sim-tcp.txt" --tcp 0
port=${sim_at##*:}
mkdir -p "$work/tcp"
if PURLO_COMM1="tcp://127.0.0.1:$port" timeout 120 wine "$check_bin/purlo-console-check.exe" \
     "$(winpath "$work/tcp")" 2>&1 | tr -d '\r' | tee "$work/tcp.txt"; then
  say ok "the console over tcp:// (Start, values, fill height, echoes, Exit)"
else
  say FAIL "the console over tcp:// ($work/tcp.txt)"
fi
kill "$sim_pid" 2>/dev/null || true

echo "== the Windows simulator under wine, and the console over tcp:// to it"
sim_run=(wine "$stage/bin/purlo-probe-sim.exe")
start_sim "$work/sim-windows.txt" --tcp 0
sim_run=("$sim")
port=${sim_at##*:}
mkdir -p "$work/tcp-windows"
# Into a file, not a pipe: the simulator keeps wine's desktop process alive,
# which holds on to the check program's output and would keep a pipe open.
if [ -n "$port" ] && PURLO_COMM1="tcp://127.0.0.1:$port" timeout 120 \
     wine "$check_bin/purlo-console-check.exe" "$(winpath "$work/tcp-windows")" \
     >"$work/tcp-windows.txt" 2>&1; then
  tr -d '\r' <"$work/tcp-windows.txt"
  say ok "the Windows simulator on TCP port $port (Start, values, fill height, echoes, Exit)"
else
  tr -d '\r' <"$work/tcp-windows.txt"
  say FAIL "the Windows simulator over tcp:// ($work/sim-windows.txt, $work/tcp-windows.txt)"
fi
kill "$sim_pid" 2>/dev/null || true
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true

echo "== the console's window on COM5, a pseudo-terminal under wine"
start_sim "$work/sim-pty.txt"
wine reg add 'HKLM\Software\Wine\Ports' /v COM5 /d "$sim_at" /f >/dev/null 2>&1
# Wine reads its port map when it starts.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
mkdir -p "$work/com"
if PURLO_COMM1=COM5 timeout 180 wine "$check_bin/purlo-console-check.exe" \
     "$(winpath "$work/com")" --record 2>&1 | tr -d '\r' | tee "$work/com.txt"; then
  say ok "the console on COM5 (Start, values, echoes, a recording and its playback, Exit)"
else
  say FAIL "the console on COM5 ($work/com.txt)"
fi
kill "$sim_pid" 2>/dev/null || true

echo "== the same session on Linux: the same recording"
start_sim "$work/sim-linux.txt"
mkdir -p "$work/linux"
# The probe sends its level line ("D1000") on its own between replies; a
# recording catches one at either end or not, as the moment of "#" and of the
# command that ends it falls. Those ends aside, the bytes must be the same.
trim_level_lines() {  # trim_level_lines RECORDING OUT
  perl -0777 -pe 's/\A(?:D\d+\r\n?)+//; s/(?:D\d+\r?\n?)+\z//' "$1" >"$2"
}
if PURLO_COMM1="$sim_at" QT_QPA_PLATFORM=offscreen timeout 120 \
     "$(dirname "$sim")/purlo-console-check" "$work/linux" --record >"$work/linux.txt" 2>&1 &&
   trim_level_lines "$work/linux/Purlo.Spl" "$work/linux.spl" &&
   trim_level_lines "$work/com/Purlo.Spl" "$work/com.spl" &&
   [ -s "$work/com.spl" ] && cmp "$work/linux.spl" "$work/com.spl"; then
  say ok "the recording on COM5 under wine is byte for byte the Linux one" \
         "($(stat -c %s "$work/com.spl") bytes of echo records and replies)"
else
  say FAIL "the recording on COM5 under wine is byte for byte the Linux one ($work/linux.txt)"
fi
kill "$sim_pid" 2>/dev/null || true

echo "== the installer, the installed console and the uninstaller under wine"
installed="$(wine cmd /c 'echo %ProgramFiles%' 2>/dev/null | tr -d '\r')\Purlo"
installed_unix="$(winepath -u "$installed" 2>/dev/null)"
installed_unix="${installed_unix%/}"
if timeout 120 wine "$setup" /S && [ -f "$installed_unix/bin/purlo.exe" ] &&
   [ -f "$installed_unix/bin/platforms/qwindows.dll" ] &&
   [ -f "$installed_unix/share/purlo/Purlo.Txt" ] && [ -f "$installed_unix/Uninstall.exe" ]; then
  say ok "the installer installed into $installed"
else
  say FAIL "the installer installed into $installed"
fi
menu="$(winepath -u "$(wine cmd /c 'echo %ProgramData%' 2>/dev/null | tr -d '\r')" 2>/dev/null)"
if find "$menu" -name 'Purlo Console.lnk' 2>/dev/null | grep -q .; then
  say ok "the Start menu entry"
else
  say FAIL "the Start menu entry"
fi

# The installed console as the menu starts it: its window, in Documents\Purlo
# with the shipped Purlo.Txt copied there.
(cd "$work" && exec wine "$installed_unix/bin/purlo.exe" --desktop >"$work/start.txt" 2>&1) &
console_pid=$!
pids+=("$console_pid")
shown=""
for _ in $(seq 60); do
  shown=$(xdotool search --onlyvisible --name 'Purlo' 2>/dev/null | head -1 || true)
  [ -n "$shown" ] && break
  sleep 0.5
done
sleep 2
import -window root "$wbuild/wine-console.png" || true
documents="$(winepath -u "$(wine cmd /c 'echo %USERPROFILE%' 2>/dev/null | tr -d '\r')" 2>/dev/null)"
if [ -n "$shown" ] && kill -0 "$console_pid" 2>/dev/null; then
  say ok "the installed console shows its window (screenshot: $wbuild/wine-console.png)"
else
  say FAIL "the installed console shows its window ($work/start.txt)"
fi
if find "${documents%/}/" -path '*/Purlo/Purlo.Txt' 2>/dev/null | grep -q .; then
  say ok "its working folder Documents\\Purlo, with Purlo.Txt"
else
  say FAIL "its working folder Documents\\Purlo, with Purlo.Txt"
fi
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true

# The uninstaller copies itself away and returns at once: wait for wine.
timeout 120 wine "$installed_unix/Uninstall.exe" /S >/dev/null 2>&1 || true
wineserver -w 2>/dev/null || true
if [ ! -e "$installed_unix/bin" ] && [ ! -e "$installed_unix/Uninstall.exe" ] &&
   ! find "$menu" -name 'Purlo Console.lnk' 2>/dev/null | grep -q .; then
  say ok "the uninstaller removed it and its menu entry"
else
  say FAIL "the uninstaller removed it and its menu entry"
fi

exit "$failed"
