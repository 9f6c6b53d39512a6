#!/usr/bin/env bash
# Fuzzes the tune: the check of music/tune_check.h and, behind it, libmikmod's XM loader and
# player on every module the check accepts (fuzz/tune_play.h). Two targets:
#   tune      any bytes (fuzz/tune_fuzz.cpp), seeded from fuzz/corpus/tune/;
#   tune_gen  generated modules (fuzz/xm_gen.h): the input steers the generator, so every input
#             is a module that looks like a tune and reaches the player's loops and pitches.
# So that a read outside memory inside the library is seen, libmikmod is built from Debian's
# source package of the installed version with clang, AddressSanitizer and libFuzzer's coverage
# (scripts/mikmod-asan.sh fuzz). That library build is why this is a script of its own beside
# scripts/fuzz.sh, which builds only the project's code. libFuzzer runs in one process, on one
# core.
#
#   scripts/fuzz-tune.sh [--generated] [SECONDS] [LIBFUZZER OPTION...]     default: 60 seconds
#
# Everything goes to build-fuzz-tune/: the scratch corpus (corpus/ or corpus-gen/; the first is
# seeded from fuzz/corpus/tune/, which is only read), the log (logs/<target>.log) and findings
# (findings/<target>-*); a new finding makes the script fail.
# KAPU_TUNE_FUZZ_UNCHECKED=1 hands every input to the library, refused or not: every finding is
# then a fault of the library, to be refused by the check. Add -fork=1 -ignore_crashes=1 to go on
# after the first.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
target=tune
if [[ ${1:-} == --generated ]]; then
  target=tune_gen
  shift
fi
seconds=${1:-60}
shift || true
build="$root/build-fuzz-tune"

"$root/scripts/setup.sh"
lib=$("$root/scripts/mikmod-asan.sh" fuzz)

flags="-g -O1 -fno-omit-frame-pointer -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DKAPU_FUZZ=ON -DBUILD_TESTING=OFF \
  -DKAPU_PROGRAMS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DKAPU_MIKMOD_ASAN=$lib" \
  "-DCMAKE_C_FLAGS=$flags" "-DCMAKE_CXX_FLAGS=$flags" >/dev/null
cmake --build "$build" -j "$(nproc)" --target "fuzz_$target" >/dev/null

# The byte fuzzer starts from the checked-in seeds and the XM dictionary; the generator's inputs
# are only its choices, so it starts from nothing.
if [[ $target == tune ]]; then
  corpus=("$build/corpus" "$root/fuzz/corpus/tune" "-dict=$root/fuzz/xm.dict")
else
  corpus=("$build/corpus-gen")
fi
mkdir -p "${corpus[0]}" "$build/findings" "$build/logs"
log="$build/logs/$target.log"
findings_before=$(find "$build/findings" -name "$target-*" | wc -l)
echo "fuzz: $target for ${seconds}s (log: build-fuzz-tune/logs/$target.log)"
status=0
ASAN_OPTIONS=abort_on_error=1:detect_leaks=1:redzone=128 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  "$build/fuzz/fuzz_$target" "${corpus[@]}" \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=32768 -print_final_stats=1 \
  -artifact_prefix="$build/findings/$target-" "$@" >"$log" 2>&1 || status=$?

# Executions, coverage, features and corpus size at the end of the run.
last=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
runs=$(grep -oE 'stat::number_of_executed_units: [0-9]+' "$log" | grep -oE '[0-9]+$' || true)
echo "fuzz: $target: ${runs:-?} executions; last status: ${last:-none}"
if ((status != 0)) || (($(find "$build/findings" -name "$target-*" | wc -l) > findings_before)); then
  echo "fuzz: $target FAILED, see build-fuzz-tune/logs/$target.log and build-fuzz-tune/findings/" >&2
  exit 1
fi
