#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Measures every performance figure of the console and prints them in one
# table: builds the release preset, then runs each benchmark program of
# bench/ (offscreen; the live one against purlo-probe-sim), the live and
# playback ones a second time with the monitor window open. A full run takes
# about 40 minutes, most of it the three 10-minute live sessions.
#
#   scripts/bench.sh           the figures as the README reports them
#   scripts/bench.sh --quick   a few seconds each: checks that they all run
#
# The machine is shared: the load is printed before and after. CPU figures
# are the process's own CPU time, so other work on the machine changes them
# little; wall-clock figures (latency, throughput, start-up) do move with it.
set -euo pipefail
cd "$(dirname "$0")/.."

quick=()
if [ "${1:-}" = "--quick" ]; then quick=(--quick); fi

scripts/setup.sh
cmake --preset release >/dev/null
benches=(bench_idle_cpu bench_live bench_echo bench_playback bench_replay bench_startup
         bench_port_return bench_network)
cmake --build --preset release -j 2 --target "${benches[@]}" >/dev/null
# Each run: a program and its options.
runs=("bench_idle_cpu" "bench_live" "bench_live --monitor" "bench_echo" "bench_playback"
      "bench_playback --monitor" "bench_replay" "bench_startup" "bench_port_return"
      "bench_network")

results=$(mktemp)
trap 'rm -f "$results"' EXIT

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "Load before: $(cut -d' ' -f1-3 /proc/loadavg)"
for run in "${runs[@]}"; do
  read -r -a words <<<"$run"
  echo "== $run ${quick[*]}"
  QT_QPA_PLATFORM=offscreen "build/bin/${words[0]}" "${words[@]:1}" "${quick[@]}" 2>/dev/null |
    tee -a "$results" | grep -v '^result '
done
echo "Load after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo

# key | figure | goal
awk '
BEGIN {
  n = split("idle_cpu_percent|CPU while acquisition waits on a silent probe|< 1 %;" \
            "idle_plain_loop_percent|  the same with a plain processEvents() loop|(comparison);" \
            "live_lost_bytes|Live at 38400 bit/s: bytes lost|0;" \
            "live_cpu_percent|Live at 38400 bit/s: console CPU|< 5 %;" \
            "live_lost_bytes_monitor|  the same, monitor open: bytes lost|0;" \
            "live_cpu_percent_monitor|  the same, monitor open: console CPU|< 5 %;" \
            "echo_latency_median_ms|Echo record: last byte to frame, median|<= 16 ms;" \
            "echo_latency_max_ms|Echo record: last byte to frame, max|<= 16 ms;" \
            "echo_draw_median_ms|Echo record: draw cost, median|< 1 ms;" \
            "playback_mb_per_s|Playback throughput|>= 10 MB/s;" \
            "playback_mb_per_cpu_s|  the same per CPU second|(load-proof);" \
            "playback_mb_per_s_monitor|  the same, monitor open|>= 10 MB/s;" \
            "playback_x_real_time|Playback, times real time at 38400 bit/s|>= 2500 x;" \
            "playback_click_max_ms|Playback: slowest click handled|<= 50 ms;" \
            "replay_seek_cold_ms|Replay: seek in 100 MB, no checkpoints yet|< 200 ms;" \
            "replay_seek_warm_max_ms|Replay: seek in 100 MB, checkpoints kept, max|< 200 ms;" \
            "replay_real_time_cpu_percent|Replay at real time (38400 bit/s): CPU|< 1 %;" \
            "replay_paused_cpu_percent|Replay paused: CPU|< 1 %;" \
            "startup_first_frame_ms|Start-up to first frame, median|< 150 ms;" \
            "startup_cpu_ms|  its CPU time, start to exit|(load-proof);" \
            "startup_peak_resident_mb|Start-up peak resident memory|< 50 MB;" \
            "port_wait_cpu_percent|CPU while waiting for a vanished port|< 1 %;" \
            "port_return_median_ms|Port back to first \"?\" sent, median|<= 2000 ms;" \
            "port_return_max_ms|Port back to first \"?\" sent, max|<= 2000 ms;" \
            "network_live_lost_bytes|RFC 2217 via ser2net, live 38400: bytes lost|0;" \
            "network_live_cpu_percent|RFC 2217 via ser2net, live 38400: console CPU|< 5 %;" \
            "network_idle_cpu_percent|RFC 2217 via ser2net: CPU waiting on silent probe|< 0.5 %;" \
            "network_return_median_ms|Server dropped, back to first \"?\", median|< 3000 ms;" \
            "network_return_max_ms|Server dropped, back to first \"?\", max|< 3000 ms", rows, ";")
  for (i = 1; i <= n; i++) { split(rows[i], f, "|"); key[i] = f[1]; name[f[1]] = f[2]; goal[f[1]] = f[3] }
}
$1 == "result" { value[$2] = $3; unit[$2] = $4 }
END {
  printf "| %-48s | %12s | %-12s |\n", "figure", "measured", "goal"
  printf "|%s|%s|%s|\n", "--------------------------------------------------", "--------------", "--------------"
  for (i = 1; i <= n; i++) {
    k = key[i]
    shown = (k in value) ? sprintf("%.3g %s", value[k], unit[k]) : "missing"
    printf "| %-48s | %12s | %-12s |\n", name[k], shown, goal[k]
  }
}' "$results"
