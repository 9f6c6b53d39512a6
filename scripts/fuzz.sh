#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer (plus AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz/ and runs each for a bounded time.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]     default: 60 seconds each, every target
#
# Targets: pnm_parse pnm_load text intvec. FUZZ_JOBS (default 2) targets run at the same time.
# New interesting inputs go to build-fuzz/corpus/<target>/ (a scratch corpus seeded from
# fuzz/corpus/<target>/, which is only read); a finding is written to build-fuzz/findings/ and
# makes the script fail. Logs: build-fuzz/logs/<target>.log.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-60}
shift || true
targets=("$@")
((${#targets[@]})) || targets=(pnm_parse pnm_load text intvec)
jobs=${FUZZ_JOBS:-2}
build="$root/build-fuzz"

"$root/scripts/setup.sh"
flags="-g -O1 -fno-omit-frame-pointer -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DKAPU_FUZZ=ON -DBUILD_TESTING=OFF \
  -DKAPU_PROGRAMS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  "-DCMAKE_C_FLAGS=$flags" "-DCMAKE_CXX_FLAGS=$flags" >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]/#/fuzz_}" >/dev/null

mkdir -p "$build/logs" "$build/findings"
run_one() {
  local t=$1 dict=()
  mkdir -p "$build/corpus/$t"
  case $t in
    pnm_parse | pnm_load) dict=(-dict="$root/fuzz/pnm.dict") ;;
    text) dict=(-dict="$root/fuzz/text.dict") ;;
  esac
  # -close_fd_mask=1: the image library's "IMG error" lines on standard output are expected.
  ASAN_OPTIONS=abort_on_error=1:detect_leaks=1 \
    "$build/fuzz/fuzz_$t" "$build/corpus/$t" "$root/fuzz/corpus/$t" "${dict[@]}" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
    -close_fd_mask=1 -print_final_stats=1 -artifact_prefix="$build/findings/$t-" \
    >"$build/logs/$t.log" 2>&1 || return
}

for t in "${targets[@]}"; do
  while (($(jobs -rp | wc -l) >= jobs)); do wait -n || true; done
  echo "fuzz: $t for ${seconds}s (log: build-fuzz/logs/$t.log)"
  rm -f "$build/logs/$t.rc"
  (if run_one "$t"; then rc=0; else rc=$?; fi; echo "$rc" >"$build/logs/$t.rc") &
done
wait
failed=0
for t in "${targets[@]}"; do
  if [[ "$(cat "$build/logs/$t.rc" 2>/dev/null)" != 0 ]]; then
    echo "fuzz: $t FAILED, see build-fuzz/logs/$t.log and build-fuzz/findings/" >&2
    failed=1
  fi
done

# One line per target: executions, coverage, features and corpus size at the end of its run.
for t in "${targets[@]}"; do
  last=$(grep -E '^#[0-9]+' "$build/logs/$t.log" | tail -1 || true)
  runs=$(grep -oE 'stat::number_of_executed_units: [0-9]+' "$build/logs/$t.log" | grep -oE '[0-9]+$' || true)
  echo "fuzz: $t: ${runs:-?} executions; last status: ${last:-none}"
done
exit "$failed"
