#!/usr/bin/env bash
# Runs every fuzz target with libFuzzer (clang, AddressSanitizer and UndefinedBehaviorSanitizer)
# for N seconds each, seeded with its corpus, and reports executions per second and findings.
#   scripts/fuzz-campaign.sh [SECONDS] [TARGET...]      (default 60 seconds, every target; lzk or fuzz_lzk)
# Findings (crash-*, leak-*, timeout-* inputs) are kept under build/fuzz/findings/<target>/;
# replay one with the target's replay build: build/dev/fuzz/<dir>/<target> FILE.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
build=$root/build/fuzz
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVLMRK_FUZZ=ON \
  -DVLMRK_BUILD_GUI=OFF -DVLMRK_BUILD_TESTS=OFF -DVLMRK_BUILD_BENCH=OFF >/dev/null
mapfile -t all < <(cd "$root/fuzz" && for d in */; do [ -f "$d/CMakeLists.txt" ] && sed -n 's/^vlmrk_fuzz_target(\([a-z_]*\).*/\1/p' "$d/CMakeLists.txt"; done)
targets=("${@/#/fuzz_}")          # a target may be named with or without its "fuzz_" prefix
targets=("${targets[@]/#fuzz_fuzz_/fuzz_}")
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")
cmake --build "$build" -j2 --target "${targets[@]}" >/dev/null
printf '%-18s %10s %12s %9s\n' target seconds "execs/s" findings
status=0
for t in "${targets[@]}"; do
  dir=$(cd "$root/fuzz" && grep -l "vlmrk_fuzz_target($t " */CMakeLists.txt | head -n1 | xargs dirname)
  work=$build/work/$t findings=$build/findings/$t
  rm -rf "$work"; mkdir -p "$work" "$findings"
  [ -d "$root/fuzz/$dir/corpus" ] && cp "$root/fuzz/$dir/corpus/"* "$work/" 2>/dev/null || true
  log=$build/$t.log
  (cd "$findings" && ASAN_OPTIONS=detect_leaks=1 "$build/fuzz/$dir/$t" -max_total_time="$seconds" \
     -print_final_stats=1 -rss_limit_mb=2048 "$work" >"$log" 2>&1) || true
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)
  found=$(find "$findings" -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
  printf '%-18s %10s %12s %9s\n' "$t" "$seconds" "$(( ${execs:-0} / seconds ))" "$found"
  [ "$found" -eq 0 ] || status=1
done
exit $status
