#!/usr/bin/env bash
# Prints the figures of the demo's pictures over one whole part cycle, composed by the demo's own
# core from data/ (tools/pictures/measure.cpp): part 1's raster-bar pixels in sight and pixels
# changing between frames; part 2's letter brightness before the blend and on the screen, the
# hue kept where two letters overlap, the fewest letters in sight; part 3's rows the logotype
# never covers and its brightness against the plasma's; the brightness at the part switches.
# Usage: picture-measure.sh [--check] [DATA_FOLDER]
# With --check it exits 1 when a figure misses its goal (printed beside it). PICTURE_MEASURE
# names the program; when unset it is built in ${KAPU_BUILD_DIR:-build}.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
args=()
if [[ ${1:-} == --check ]]; then args+=(--check); shift; fi
data=${1:-$root/data}
if [[ -z ${PICTURE_MEASURE:-} ]]; then
  build=${KAPU_BUILD_DIR:-$root/build}
  cmake -S "$root" -B "$build" >/dev/null
  cmake --build "$build" -j "$(nproc)" --target picture_measure >/dev/null
  PICTURE_MEASURE=$build/tools/picture_measure
fi
cd "$data"
exec "$PICTURE_MEASURE" "${args[@]}"
