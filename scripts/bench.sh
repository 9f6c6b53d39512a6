#!/usr/bin/env bash
# Builds an optimised (-O2) copy in build-bench/ and times the frame composition against a plain
# frame copy (kapu_bench), then demo-render's whole cycle of 4001 frames writing nothing (best
# of five runs). Extra arguments go to kapu_bench, e.g. --benchmark_filter=Part3.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KAPU_BENCH_DIR:-$root/build-bench}
"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target kapu_bench demo-render
"$build/kapu_bench" --benchmark_min_time=0.2 --benchmark_repetitions=5 \
  --benchmark_report_aggregates_only=true "$@"

echo
echo "demo-render, whole cycle (4001 frames), writing nothing:"
best=
for _ in 1 2 3 4 5; do
  start=$(date +%s%N)
  (cd "$root/data" && "$build/demo-render" --no-progress >/dev/null)
  ms=$((($(date +%s%N) - start) / 1000000))
  [[ -z $best || $ms -lt $best ]] && best=$ms
done
echo "best of 5: ${best} ms"
