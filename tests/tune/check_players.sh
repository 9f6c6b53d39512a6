#!/usr/bin/env bash
# Renders the tune with libmikmod (our capture driver), openmpt123 and xmp, and checks that the
# three agree on its length within a second and that every render is audible and below full
# scale. Exits 77 (skipped) when a player or sox is missing.
# Usage: check_players.sh MIKMOD_RENDER TUNE.xm
set -euo pipefail
render=$1
tune=$2
for tool in openmpt123 xmp sox soxi; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "skipped: $tool is not installed (scripts/setup.sh installs it)"
        exit 77
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$tune" "$work/tune.xm"

"$render" "$work/tune.xm" "$work/mikmod.wav" >/dev/null
# openmpt123 writes tune.xm.wav beside its input.
openmpt123 --quiet --render --samplerate 44100 --no-float --force "$work/tune.xm" >/dev/null 2>&1
mv "$work/tune.xm.wav" "$work/openmpt.wav"
xmp --quiet --output-file "$work/xmp.wav" "$work/tune.xm" >/dev/null 2>&1

reference=$(soxi -s "$work/mikmod.wav")
status=0
for player in mikmod openmpt xmp; do
    wav="$work/$player.wav"
    frames=$(soxi -s "$wav")
    stats=$(sox "$wav" -n stat 2>&1)
    # sox gives the largest and the smallest sample; the peak is the larger magnitude.
    peak=$(awk '/^Maximum amplitude/ {hi = $3} /^Minimum amplitude/ {lo = -$3} END {print (hi > lo ? hi : lo)}' <<<"$stats")
    rms=$(awk '/^RMS +amplitude/ {print $3}' <<<"$stats")
    printf '%-8s frames %8d (%.2f s)  peak %s  rms %s\n' "$player" "$frames" \
        "$(awk -v f="$frames" 'BEGIN {print f / 44100}')" "$peak" "$rms"
    if ! awk -v a="$frames" -v b="$reference" 'BEGIN {d = a - b; if (d < 0) d = -d; exit !(d <= 44100)}'; then
        echo "FAIL: $player's length differs from libmikmod's ($reference frames) by more than a second"
        status=1
    fi
    if ! awk -v p="$peak" -v r="$rms" 'BEGIN {exit !(p < 0.99 && r > 0.02)}'; then
        echo "FAIL: $player's render is silent or reaches full scale"
        status=1
    fi
done
exit $status
