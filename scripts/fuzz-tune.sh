#!/usr/bin/env bash
# Fuzzes the tune (fuzz/tune_fuzz.cpp): the check of music/tune_check.h on any bytes and, behind
# it, libmikmod's XM loader and player on every module the check accepts. So that a read outside
# memory inside the library is seen, libmikmod is built here from Debian's source package of the
# installed version, with clang, AddressSanitizer and libFuzzer's coverage. That library build
# (and the source archive it needs in apt's lists) is why this is a script of its own beside
# scripts/fuzz.sh, which builds only the project's code.
#
#   scripts/fuzz-tune.sh [SECONDS] [LIBFUZZER OPTION...]     default: 60 seconds
#
# Everything goes to build-fuzz-tune/: the library's source and build (libmikmod/), the scratch
# corpus (corpus/, seeded from fuzz/corpus/tune/, which is only read), the log (logs/tune.log) and
# findings (findings/tune-*); a new finding makes the script fail.
# KAPU_TUNE_FUZZ_UNCHECKED=1 hands every input to the library, refused or not: every finding is
# then a fault of the library, to be refused by the check. Add -fork=1 -ignore_crashes=1 to go on
# after the first.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-60}
shift || true
build="$root/build-fuzz-tune"
lib="$build/libmikmod"
sudo=()
((EUID == 0)) || sudo=(sudo)

"$root/scripts/setup.sh"
# apt-get source unpacks the package with dpkg-source.
if ! command -v dpkg-source >/dev/null 2>&1; then
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends dpkg-dev >&2
fi

# The source of exactly the installed libmikmod. Debian's source archive needs a deb-src entry:
# a copy of the first deb stanza of debian.sources (or of the deb lines of sources.list), added
# once.
version=$(dpkg-query -W -f='${Version}' libmikmod3)
src="$lib/libmikmod-${version%-*}"
if [[ ! -f $src/CMakeLists.txt ]]; then
  stanzas=/etc/apt/sources.list.d/debian.sources
  if [[ -f $stanzas ]]; then
    if ! grep -q '^Types:.*deb-src' "$stanzas"; then
      awk -v RS= '!done && /(^|\n)Types: deb(\n|$)/ { sub(/Types: deb/, "Types: deb-src"); printf "\n%s\n", $0; done = 1 }' \
        "$stanzas" | "${sudo[@]}" tee -a "$stanzas" >/dev/null
    fi
  elif ! grep -qs '^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list; then
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list | "${sudo[@]}" tee /etc/apt/sources.list.d/kapu-deb-src.list >/dev/null
  fi
  "${sudo[@]}" apt-get update -qq
  mkdir -p "$lib"
  (cd "$lib" && apt-get source -qq "libmikmod=$version")
fi

# The static library alone: no threads, no dynamic loading, no output driver but the library's
# own nosound (the fuzz target brings its own). This version's CMake always defines the shared
# library too; only the static one is built.
lib_flags="-g -O1 -fno-omit-frame-pointer -fsanitize=address,fuzzer-no-link"
cmake -Wno-dev -Wno-deprecated -S "$src" -B "$lib/build" -DCMAKE_C_COMPILER=clang -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  "-DCMAKE_C_FLAGS=$lib_flags" -DENABLE_STATIC=1 -DENABLE_THREADS=0 -DENABLE_DL=0 \
  -DENABLE_ALSA=0 -DENABLE_OSS=0 -DENABLE_PULSE=0 -DENABLE_SDL=0 -DENABLE_OPENAL=0 \
  -DENABLE_SNDIO=0 -DENABLE_ESD=0 -DENABLE_NAS=0 -DENABLE_STDOUT=0 -DENABLE_PIPE=0 \
  -DENABLE_AIFF=0 -DENABLE_WAV=0 -DENABLE_RAW=0 >/dev/null
cmake --build "$lib/build" -j "$(nproc)" --target mikmod-static >/dev/null
mkdir -p "$lib/out"
cp "$lib/build/libmikmod.a" "$src/include/mikmod.h" "$lib/out/"

flags="-g -O1 -fno-omit-frame-pointer -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DKAPU_FUZZ=ON -DBUILD_TESTING=OFF \
  -DKAPU_PROGRAMS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DKAPU_FUZZ_MIKMOD=$lib/out" \
  "-DCMAKE_C_FLAGS=$flags" "-DCMAKE_CXX_FLAGS=$flags" >/dev/null
cmake --build "$build" -j "$(nproc)" --target fuzz_tune >/dev/null

mkdir -p "$build/corpus" "$build/findings" "$build/logs"
log="$build/logs/tune.log"
findings_before=$(find "$build/findings" -name 'tune-*' | wc -l)
echo "fuzz: tune for ${seconds}s (log: build-fuzz-tune/logs/tune.log)"
status=0
ASAN_OPTIONS=abort_on_error=1:detect_leaks=1:redzone=128 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  "$build/fuzz/fuzz_tune" "$build/corpus" "$root/fuzz/corpus/tune" -dict="$root/fuzz/xm.dict" \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=32768 -print_final_stats=1 \
  -artifact_prefix="$build/findings/tune-" "$@" >"$log" 2>&1 || status=$?

# Executions, coverage, features and corpus size at the end of the run.
last=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
runs=$(grep -oE 'stat::number_of_executed_units: [0-9]+' "$log" | grep -oE '[0-9]+$' || true)
echo "fuzz: tune: ${runs:-?} executions; last status: ${last:-none}"
if ((status != 0)) || (($(find "$build/findings" -name 'tune-*' | wc -l) > findings_before)); then
  echo "fuzz: tune FAILED, see build-fuzz-tune/logs/tune.log and build-fuzz-tune/findings/" >&2
  exit 1
fi
