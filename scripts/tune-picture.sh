#!/usr/bin/env bash
# Makes docs/tune.png, the README's picture of the tune: a spectrogram of one part cycle (4001
# frames, 66.7 s) as demo-render --wav gives it, with the part switches marked, over a strip of
# the loudness (RMS over each pixel column's 70 ms, in dB).
# Needs sox and ImageMagick's convert (scripts/setup.sh installs both).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KAPU_BUILD_DIR:-$root/build}
for tool in sox convert; do
  command -v "$tool" >/dev/null || { echo "tune-picture: $tool is needed (scripts/setup.sh)" >&2; exit 1; }
done
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" --target demo-render

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$root/data" && "$build/demo-render" --no-progress -n 4001 --wav "$work/cycle.wav" >/dev/null)

width=960 height=320 strip=48
# Raw spectrogram: no axes, so x is exactly time (960 px for 4001 frames) and y is frequency,
# 0 Hz at the bottom to 22 kHz at the top.
sox "$work/cycle.wav" -n remix 1,2 spectrogram -r -x "$width" -y "$height" -z 84 -o "$work/spectrum.png"

# Loudness strip: the RMS of each column's stretch of sound, from -36 dB (bottom) to 0 dB (top).
sox "$work/cycle.wav" -t raw -e signed -b 16 -c 1 -r 44100 - remix 1,2 |
  od -An -v -td2 -w2 |
  awk -v w="$width" -v h="$strip" -v n="$(soxi -s "$work/cycle.wav")" '
    { i = int((NR - 1) * w / n); s[i] += $1 * $1; c[i]++ }
    END {
      printf "P2\n%d %d\n255\n", w, h
      for (x = 0; x < w; x++) {
        db = c[x] ? 10 * log(s[x] / c[x] / 32768 / 32768 + 1e-12) / log(10) : -96
        top[x] = int(h * (1 - (db + 36) / 36)); if (top[x] < 0) top[x] = 0
      }
      for (y = 0; y < h; y++) for (x = 0; x < w; x++) printf "%d\n", (y >= top[x] ? 200 : 24)
    }' >"$work/loudness.pgm"

# Part switches at frames 1001 and 3001 of 4001.
x1=$((1001 * width / 4001)) x2=$((3001 * width / 4001))
convert "$work/spectrum.png" \( "$work/loudness.pgm" -fill '#4aa3ff' -opaque 'rgb(200,200,200)' \) -append \
  -background black -gravity north -splice 0x22 -gravity northwest \
  -stroke '#ffffff' -strokewidth 1 -draw "line $x1,22 $x1,$((22 + height + strip))" \
  -draw "line $x2,22 $x2,$((22 + height + strip))" -stroke none \
  -fill white -pointsize 14 \
  -annotate +6+3 'part 1' -annotate +$((x1 + 6))+3 'part 2' -annotate +$((x2 + 6))+3 'part 3' \
  -annotate +$((x1 + 120))+3 'quenFalox: one cycle of the parts, 66.7 s, 0-22 kHz' \
  -fill '#c0c0c0' -pointsize 11 \
  -annotate +4+$((22 + height - height * 5 / 22 - 12)) '5 kHz' \
  -annotate +4+$((22 + height - height * 10 / 22 - 12)) '10 kHz' \
  -annotate +4+$((22 + height - height * 15 / 22 - 12)) '15 kHz' \
  -annotate +4+$((22 + height + 2)) 'loudness (0 to -36 dB)' \
  -colors 64 -strip "$root/docs/tune.png"
ls -l "$root/docs/tune.png"
