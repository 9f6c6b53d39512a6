#!/usr/bin/env bash
# Regenerates everything in data/ from the project's own generators.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build"
cmake -S "$root" -B "$build" >/dev/null
mkdir -p "$root/data"

# The tune: tools/tune/score.txt -> data/quenFalox.xm
cmake --build "$build" -j "$(nproc)" --target make_tune
"$build/tools/make_tune" "$root/data/quenFalox.xm"
