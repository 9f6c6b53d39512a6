#!/usr/bin/env bash
# Makes the README's pictures under docs/ from demo-render's frames: one PNG per part, scaled
# up twice with nearest-neighbour sampling. (An animated preview was tried and left out: one
# second of part 2 as a GIF is 250 KB, ten times a still picture.)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KAPU_BUILD_DIR:-$root/build}
command -v convert >/dev/null || { echo "screenshots: ImageMagick's convert is needed" >&2; exit 1; }
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" --target demo-render

frames=$(mktemp -d)
trap 'rm -rf "$frames"' EXIT
# Part 1 runs frames 0-1000, part 2 1001-3000, part 3 3001-4000. Frame 2165 of part 2 has all
# four letters apart and the key help in the scroller.
(cd "$root/data" && "$build/demo-render" --no-progress -n 3501 -o "$frames" \
  -s 600,2165,3500 >/dev/null)

mkdir -p "$root/docs"
shot() {  # frame, name
  convert "$frames/frame-$(printf %06d "$1").ppm" -filter point -resize 200% \
    -strip "$root/docs/$2.png"
}
shot 600 part1
shot 2165 part2
shot 3500 part3
ls -l "$root"/docs/part?.png
