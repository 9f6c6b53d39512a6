#!/usr/bin/env bash
# Prints the figures of the demo's sound: how far each part switch is from its downbeat and the
# longest silence (measure_tune), the peak, the integrated loudness, the side signal against the
# middle, and the 4-10 kHz band against 250 Hz-1 kHz.
# Usage: tune-measure.sh [--check] [SOUND.wav]
# Without SOUND.wav it renders ten uninterrupted part cycles (40010 frames) with demo-render from
# data/. With --check it exits 1 when a figure is outside its bounds: downbeats within 2 frames,
# no silence over 0.2 s, peak -1.5 to -0.5 dBFS, loudness -14 +- 2 LUFS, side at most 6 dB under
# the middle, 4-10 kHz at most 12 dB under 250 Hz-1 kHz.
# Needs sox and ffmpeg (scripts/setup.sh installs them). DEMO_RENDER and MEASURE_TUNE name the
# programs; when unset they are built in ${KAPU_BUILD_DIR:-build}.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
check=0
if [[ ${1:-} == --check ]]; then check=1; shift; fi
for tool in sox ffmpeg; do
  command -v "$tool" >/dev/null || { echo "tune-measure: $tool is needed (scripts/setup.sh)" >&2; exit 77; }
done
if [[ -z ${DEMO_RENDER:-} || -z ${MEASURE_TUNE:-} ]]; then
  build=${KAPU_BUILD_DIR:-$root/build}
  cmake -S "$root" -B "$build" >/dev/null
  cmake --build "$build" -j "$(nproc)" --target demo-render measure_tune >/dev/null
  DEMO_RENDER=$build/demo-render MEASURE_TUNE=$build/tools/measure_tune
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
wav=${1:-}
if [[ -z $wav ]]; then
  wav=$work/cycles.wav
  (cd "$root/data" && "$DEMO_RENDER" --no-progress -n 40010 --wav "$wav" >/dev/null)
fi

status=0
options=()
((check)) && options=(--check)
"$MEASURE_TUNE" "${options[@]}" "$wav" || status=1

rms_db() { sox "$wav" -n "$@" stats 2>&1 | awk '/^RMS lev dB/ {print $4}'; }
peak=$(sox "$wav" -n stats 2>&1 | awk '/^Pk lev dB/ {print $4}')
lufs=$(ffmpeg -nostats -hide_banner -i "$wav" -filter_complex ebur128 -f null - 2>&1 |
  awk '/Integrated loudness:/ {f = 1; next} f && /I:/ {v = $2; f = 0} END {print v}')  # the last summary
mid=$(rms_db remix 1,2) side=$(rms_db remix 1,2i)
low=$(rms_db remix 1,2 sinc 250-1000) high=$(rms_db remix 1,2 sinc 4000-10000)

# name, value, text, lowest, highest
figure() {
  printf '%-44s %s\n' "$1:" "$3"
  if ! awk -v v="$2" -v lo="$4" -v hi="$5" 'BEGIN {exit !(v >= lo && v <= hi)}'; then
    echo "  outside $4 .. $5"
    ((check)) && status=1
  fi
  return 0
}
figure "peak (sox stats)" "$peak" "$peak dBFS" -1.5 -0.5
figure "integrated loudness (ffmpeg ebur128)" "$lufs" "$lufs LUFS" -16 -12
figure "side (remix 1,2i) - middle (remix 1,2), RMS" "$(awk -v a="$side" -v b="$mid" 'BEGIN {print a - b}')" \
  "$side - ($mid) = $(awk -v a="$side" -v b="$mid" 'BEGIN {printf "%.2f", a - b}') dB" -6 99
figure "4-10 kHz - 250 Hz-1 kHz, RMS of the mono sum" "$(awk -v a="$high" -v b="$low" 'BEGIN {print a - b}')" \
  "$high - ($low) = $(awk -v a="$high" -v b="$low" 'BEGIN {printf "%.2f", a - b}') dB" -12 99
exit $status
