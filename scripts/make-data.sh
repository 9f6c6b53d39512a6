#!/usr/bin/env bash
# Regenerates every file in data/ from the generators in tools/: the ten pictures and the tune.
# The output is deterministic, so a clean tree stays clean; the tests compare byte for byte.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KAPU_BUILD_DIR:-$root/build}

cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" --target make_pictures make_tune

mkdir -p "$root/data"
"$build/tools/make_pictures" "$root/data"
# The tune: tools/tune/score.txt -> data/quenFalox.xm
"$build/tools/make_tune" "$root/data/quenFalox.xm"
