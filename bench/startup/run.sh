#!/usr/bin/env bash
# Start-up benchmark: process start to main window shown, Veilmark beside a minimal Qt Widgets
# program with one window, started alternately in the same run. Without a display it runs itself
# under xvfb-run. Usage: bench/startup/run.sh [BUILD_DIR] [RUNS]
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

millis() {  # runs the program once and prints its wall time in milliseconds
  local start end
  start=$(date +%s%N)
  "$1" >/dev/null 2>&1
  end=$(date +%s%N)
  echo $(( (end - start) / 1000000 ))
}

"$veilmark" >/dev/null 2>&1; "$minimal" >/dev/null 2>&1  # warm the caches
v=(); m=()
for _ in $(seq "$runs"); do
  v+=("$(millis "$veilmark")")
  m+=("$(millis "$minimal")")
done
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
mv=$(median "${v[@]}"); mm=$(median "${m[@]}")
echo "runs: $runs (alternating)"
echo "veilmark: median ${mv} ms   (all: ${v[*]})"
echo "minimal:  median ${mm} ms   (all: ${m[*]})"
awk -v a="$mv" -v b="$mm" 'BEGIN {printf "ratio: %.2f (goal: within 1.3)\n", a / b}'
