#!/usr/bin/env bash
# Makes the README's pictures under docs/ from demo-render's frames: one PNG per part, scaled
# up twice with nearest-neighbour sampling. (An animated preview was tried and left out: one
# second of part 2 as a GIF is 250 KB, ten times a still picture.)
#
#   scripts/screenshots.sh [OUTPUT_DIR]      # default docs/
#
# KAPU_DEMO_RENDER=PROGRAM and KAPU_DATA=FOLDER take the frames from that demo-render run in that
# data folder (the release uses its package's) instead of building one in build/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${1:-$root/docs}
command -v convert >/dev/null || { echo "screenshots: ImageMagick's convert is needed" >&2; exit 1; }
if [[ -n "${KAPU_DEMO_RENDER:-}" ]]; then
    render=$KAPU_DEMO_RENDER
    data=${KAPU_DATA:?screenshots: KAPU_DATA must name the data folder of KAPU_DEMO_RENDER}
else
    build=${KAPU_BUILD_DIR:-$root/build}
    cmake -S "$root" -B "$build" >/dev/null
    cmake --build "$build" -j "$(nproc)" --target demo-render
    render=$build/demo-render
    data=$root/data
fi

frames=$(mktemp -d)
trap 'rm -rf "$frames"' EXIT
# Part 1 runs frames 0-1000, part 2 1001-3000, part 3 3001-4000. Frame 700 of part 1 has the
# wobble sweeping through the logotype; frame 2165 of part 2 has all four letters apart and the
# key help in the scroller.
(cd "$data" && "$render" --no-progress -n 3501 -o "$frames" -s 700,2165,3500 >/dev/null)

mkdir -p "$out"
shot() {  # frame, name
  convert "$frames/frame-$(printf %06d "$1").ppm" -filter point -resize 200% \
    -strip "$out/$2.png"
}
shot 700 part1
shot 2165 part2
shot 3500 part3
ls -l "$out"/part?.png
