#!/usr/bin/env bash
# Prints the figures of the demo's sound and, with --check, holds each to its bounds:
#   measure_tune: downbeats within 0.5 frames of the part switches, no silence over 0.2 s, the
#     loop into the next cycle (at most 1102 frames of digital silence, a step into it of at most
#     0.02 of full scale), left and right peaks of the sync hits of parts 2 and 3 within 3 dB;
#   true peak at most -1.0 dBTP; integrated loudness -14 +- 1 LUFS, loudness range at least 3 LU;
#   the arc: part 1 (intro) -17, part 2 (build) -14.5, part 3 (climax) -13.5 LUFS, each +- 1;
#   side at least -6 dB against the middle, with mid = (L+R)/2 and side = (L-R)/2 alike;
#   4-10 kHz at most 12 dB under 250 Hz-1 kHz;
#   each channel rendered alone (make_tune --solo): the drums (channel 1) within 2 dB of the bass
#     (channel 2) in RMS, and the middle of the drums' 40-80 Hz band (the kick's body; 10 Hz
#     transitions) at least -25.0 dB, 6 dB above the -31.0 dB of the tune before it was reworked.
# Usage: tune-measure.sh [--check] [SOUND.wav]
# Without SOUND.wav it renders ten uninterrupted part cycles (40010 frames) with demo-render from
# data/. The solo renders always come from the score, one part cycle each.
# Needs sox and ffmpeg (scripts/setup.sh installs them). DEMO_RENDER, MEASURE_TUNE and MAKE_TUNE
# name the programs; when unset they are built in ${KAPU_BUILD_DIR:-build}.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
check=0
if [[ ${1:-} == --check ]]; then check=1; shift; fi
for tool in sox ffmpeg; do
  command -v "$tool" >/dev/null || { echo "tune-measure: $tool is needed (scripts/setup.sh)" >&2; exit 77; }
done
if [[ -z ${DEMO_RENDER:-} || -z ${MEASURE_TUNE:-} || -z ${MAKE_TUNE:-} ]]; then
  build=${KAPU_BUILD_DIR:-$root/build}
  cmake -S "$root" -B "$build" >/dev/null
  cmake --build "$build" -j "$(nproc)" --target demo-render measure_tune make_tune >/dev/null
  DEMO_RENDER=$build/demo-render MEASURE_TUNE=$build/tools/measure_tune MAKE_TUNE=$build/tools/make_tune
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
"$MEASURE_TUNE" "${options[@]}" "$wav" "$root/tools/tune/score.txt" || status=1

# RMS in dB of a sound (default: the whole render) after the sox effects given.
rms_db() { local in=$1; shift; sox "$in" -n "$@" stats 2>&1 | awk '/^RMS lev dB/ {print $4}'; }
# ffmpeg's EBU R128 summary of a sound: "integrated range true-peak".
r128() {
  ffmpeg -nostats -hide_banner -i "$1" -filter_complex ebur128=peak=true -f null - 2>&1 |
    awk '/Summary:/ {s = 1} s && /I:/ {i = $2} s && /LRA:/ {r = $2} s && /Peak:/ {p = $2} END {print i, r, p}'
}
read -r lufs range true_peak < <(r128 "$wav")
peak=$(sox "$wav" -n stats 2>&1 | awk '/^Pk lev dB/ {print $4}')
mid=$(rms_db "$wav" remix 1v0.5,2v0.5) side=$(rms_db "$wav" remix 1v0.5,2v-0.5)
low=$(rms_db "$wav" remix 1v0.5,2v0.5 sinc 250-1000) high=$(rms_db "$wav" remix 1v0.5,2v0.5 sinc 4000-10000)

# The parts of the first cycle: 1001, 2000 and 1000 video frames of 735 sample frames.
part_lufs() {
  sox "$wav" "$work/part.wav" trim "$(($1 * 735))s" "$(($2 * 735))s"
  r128 "$work/part.wav" | awk '{print $1}'
}
intro=$(part_lufs 0 1001) build=$(part_lufs 1001 2000) climax=$(part_lufs 3001 1000)

# Channels alone: the score with one channel kept, rendered over one cycle beside the pictures.
mkdir "$work/solo"
for f in "$root"/data/*; do [[ $(basename "$f") == quenFalox.xm ]] || ln -s "$f" "$work/solo/"; done
solo() {
  "$MAKE_TUNE" --solo "$1" "$work/solo/quenFalox.xm"
  (cd "$work/solo" && "$DEMO_RENDER" --no-progress -n 4001 --wav "$work/solo$1.wav" >/dev/null)
}
solo 1 && solo 2
drums=$(rms_db "$work/solo1.wav") bass=$(rms_db "$work/solo2.wav")
kick=$(rms_db "$work/solo1.wav" remix 1v0.5,2v0.5 sinc -t 10 40-80)

difference() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a - b}'; }
# name, value, text, lowest, highest
figure() {
  printf '%-46s %s\n' "$1:" "$3"
  if ! awk -v v="$2" -v lo="$4" -v hi="$5" 'BEGIN {exit !(v >= lo && v <= hi)}'; then
    echo "  outside $4 .. $5"
    ((check)) && status=1
  fi
  return 0
}
figure "peak (sox stats)" "$peak" "$peak dBFS" -99 0
figure "true peak (ffmpeg ebur128)" "$true_peak" "$true_peak dBTP" -99 -1.0
figure "integrated loudness (ffmpeg ebur128)" "$lufs" "$lufs LUFS" -15 -13
figure "loudness range (ffmpeg ebur128)" "$range" "$range LU" 3 99
figure "part 1, intro" "$intro" "$intro LUFS" -18 -16
figure "part 2, build" "$build" "$build LUFS" -15.5 -13.5
figure "part 3, climax" "$climax" "$climax LUFS" -14.5 -12.5
figure "side (L-R)/2 - middle (L+R)/2, RMS" "$(difference "$side" "$mid")" \
  "$side - ($mid) = $(difference "$side" "$mid") dB" -6 99
figure "4-10 kHz - 250 Hz-1 kHz, RMS of the middle" "$(difference "$high" "$low")" \
  "$high - ($low) = $(difference "$high" "$low") dB" -12 99
figure "drums (channel 1) - bass (channel 2), RMS" "$(difference "$drums" "$bass")" \
  "$drums - ($bass) = $(difference "$drums" "$bass") dB" -2 2
figure "drums' 40-80 Hz band (the kick), RMS" "$kick" "$kick dB" -25.0 99
exit $status
