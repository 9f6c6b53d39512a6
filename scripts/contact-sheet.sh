#!/usr/bin/env bash
# Draws the pictures afresh and lays them out for review in out/contact-sheet.png: every
# picture at double size on a checkerboard (so the transparent key shows), the glyph sheet,
# and the pictures placed over stand-ins of the three parts' backgrounds. Nothing is committed.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KAPU_BUILD_DIR:-$root/build}
out=$root/out
work=$out/pictures
mkdir -p "$work"

cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" --target make_pictures picture_preview >/dev/null
"$build/tools/make_pictures" "$work"
"$build/tools/picture_preview" "$work" "$work"

# Pixel value 0 is the transparent key: show it as a checkerboard.
tiles=()
for name in K A P U vemla 7163 logotype1 logotype0 logotype2; do
  convert "$work/$name.ppm" -transparent black -scale 200% "$work/$name.png"
  size=$(identify -format '%wx%h' "$work/$name.png")
  convert -size "$size" pattern:checkerboard -fill '#6c6c6c' -opaque black -fill '#949494' \
    -opaque white "$work/$name.png" -compose over -composite "$work/$name.tile.png"
  tiles+=("$work/$name.tile.png")
done
convert "$work/font1526.pbm" -negate -scale 200% -background '#808080' -flatten "$work/font.tile.png"

montage -background '#606060' -fill white -label '%t' -pointsize 10 -geometry +6+6 -tile 4x \
  "${tiles[@]}" "$work/contact-pictures.png"
montage -background '#606060' -geometry +4+4 -tile 1x \
  "$work/preview-part1.ppm" "$work/preview-part2.ppm" "$work/preview-part3.ppm" \
  "$work/contact-previews.png"
convert "$work/contact-previews.png" -scale 200% "$work/contact-previews.png"
convert "$work/contact-pictures.png" "$work/font.tile.png" -background '#606060' -append \
  "$out/contact-sheet.png"
cp "$work/contact-previews.png" "$out/contact-previews.png"
echo "$out/contact-sheet.png"
echo "$out/contact-previews.png"
