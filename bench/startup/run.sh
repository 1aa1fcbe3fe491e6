#!/usr/bin/env bash
# Start-up benchmark: process start to main window shown, Veilmark beside a minimal Qt Widgets
# program with one window, started alternately in the same run. Without a display it runs itself
# under xvfb-run. Usage: bench/startup/run.sh [BUILD_DIR] [RUNS]
#
# Per run it takes three figures for each program:
#   shown  wall time from just before the process is started to its window exposed (the goal);
#   exit   wall time to the process's end, tear-down included (as earlier versions measured);
#   cpu    the process's CPU time up to the window shown (all threads), which a loaded machine
#          disturbs far less than the wall times.
# Both programs print "shown REALTIME CPU" when their window is exposed (WaitShown.h).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/dev}
runs=${2:-20}
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${VLMRK_UNDER_XVFB:-}" ]; then
  VLMRK_UNDER_XVFB=1 exec xvfb-run -a "$0" "$build" "$runs"
fi
veilmark=$build/bench/startup/bench_startup_veilmark
minimal=$build/bench/startup/bench_startup_minimal
for exe in "$veilmark" "$minimal"; do
  [ -x "$exe" ] || { echo "missing $exe: build the bench_startup_* targets" >&2; exit 2; }
done
# Tests' rules apply: no user settings are read or written.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export XDG_CONFIG_HOME=$tmp/config XDG_CACHE_HOME=$tmp/cache

# Runs the program once and prints "SHOWN_MS EXIT_MS CPU_MS".
measure() {
  local start end line
  start=$EPOCHREALTIME
  "$1" >"$tmp/out" 2>/dev/null || true
  end=$EPOCHREALTIME
  line=$(grep -m1 '^shown ' "$tmp/out" || true)
  [ -n "$line" ] || { echo "$1 did not report its window shown" >&2; exit 2; }
  awk -v s="$start" -v e="$end" -v l="$line" 'BEGIN {
    split(l, f, " "); printf "%.1f %.1f %.1f\n", (f[2] - s) * 1000, (e - s) * 1000, f[3] }'
}

measure "$veilmark" >/dev/null; measure "$minimal" >/dev/null  # warm the caches
vs=(); ve=(); vc=(); ms=(); me=(); mc=()
for _ in $(seq "$runs"); do
  read -r s e c < <(measure "$veilmark"); vs+=("$s"); ve+=("$e"); vc+=("$c")
  read -r s e c < <(measure "$minimal"); ms+=("$s"); me+=("$e"); mc+=("$c")
done
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
report() {  # NAME VEILMARK_MEDIAN MINIMAL_MEDIAN
  awk -v n="$1" -v a="$2" -v b="$3" 'BEGIN {printf "%-6s veilmark %7.1f ms   minimal %7.1f ms   ratio %.2f\n", n, a, b, a / b}'
}
echo "runs: $runs (alternating), medians"
report shown "$(median "${vs[@]}")" "$(median "${ms[@]}")"
report exit "$(median "${ve[@]}")" "$(median "${me[@]}")"
report cpu "$(median "${vc[@]}")" "$(median "${mc[@]}")"
echo "goal: shown ratio within 1.2"
if [ -n "${VLMRK_STARTUP_ALL:-}" ]; then
  echo "veilmark shown: ${vs[*]}"; echo "minimal shown:  ${ms[*]}"
fi
