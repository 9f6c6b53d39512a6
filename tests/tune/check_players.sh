#!/usr/bin/env bash
# Renders the tune with libmikmod (our capture driver), openmpt123 and xmp, reports each one's
# length of the song, and checks that the three agree within one video frame (735 sample frames)
# and that every render is audible and below full scale. With CYCLE, also checks that the song
# fills a part cycle of CYCLE video frames in the demo: the music pump mixes one update per
# frame, notices the end in the update that mixes the song's last frame and reloads in the next
# frame, so a song of L sample frames repeats every floor(L / 735) + 2 frames.
# Exits 77 (skipped) when a player or sox is missing.
# Usage: check_players.sh MIKMOD_RENDER TUNE.xm [CYCLE]
set -euo pipefail
render=$1
tune=$2
cycle=${3:-}
for tool in openmpt123 xmp sox soxi; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "skipped: $tool is not installed (scripts/setup.sh installs it)"
        exit 77
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$tune" "$work/tune.xm"

# libmikmod is rendered a video frame at a time: its length is known to within one update.
updates=$("$render" "$work/tune.xm" "$work/mikmod.wav" | awk '{for (i = 1; i < NF; ++i) if ($i == "updates") print $(i + 1)}')
# openmpt123 writes tune.xm.wav beside its input.
openmpt123 --quiet --render --samplerate 44100 --no-float --force "$work/tune.xm" >/dev/null 2>&1
mv "$work/tune.xm.wav" "$work/openmpt.wav"
xmp --quiet --output-file "$work/xmp.wav" "$work/tune.xm" >/dev/null 2>&1

status=0
for player in mikmod openmpt xmp; do
    wav="$work/$player.wav"
    frames=$(soxi -s "$wav")
    case $player in
        mikmod) song=$((updates * 735)); what="(at most: the end falls in update $updates)" ;;
        # openmpt123 adds 0.1 s of silence after the song.
        openmpt) song=$((frames - 4410)); what="(render less its 4410-frame tail)" ;;
        xmp) song=$frames; what="" ;;
    esac
    stats=$(sox "$wav" -n stat 2>&1)
    # sox gives the largest and the smallest sample; the peak is the larger magnitude.
    peak=$(awk '/^Maximum amplitude/ {hi = $3} /^Minimum amplitude/ {lo = -$3} END {print (hi > lo ? hi : lo)}' <<<"$stats")
    rms=$(awk '/^RMS +amplitude/ {print $3}' <<<"$stats")
    printf '%-8s song %8d frames = %.3f s = %8.2f video frames %s; peak %s rms %s\n' "$player" "$song" \
        "$(awk -v f="$song" 'BEGIN {print f / 44100}')" "$(awk -v f="$song" 'BEGIN {print f / 735}')" \
        "$what" "$peak" "$rms"
    declare "song_$player=$song"
    if ! awk -v p="$peak" -v r="$rms" 'BEGIN {exit !(p < 0.99 && r > 0.02)}'; then
        echo "FAIL: $player's render is silent or reaches full scale"
        status=1
    fi
done
for player in openmpt xmp; do
    song_var=song_$player
    # libmikmod's figure is the end of the update that ended it: the song is up to 735 shorter.
    if ! awk -v a="${!song_var}" -v m="$song_mikmod" 'BEGIN {exit !(a > m - 735 && a <= m)}'; then
        echo "FAIL: $player's song (${!song_var} frames) is not within a video frame of libmikmod's end ($song_mikmod)"
        status=1
    fi
done
if [[ -n $cycle ]]; then
    for player in mikmod openmpt xmp; do
        song_var=song_$player
        # For libmikmod: its updates plus the reload frame.
        repeats=$([[ $player == mikmod ]] && echo $((updates + 1)) || echo $((${!song_var} / 735 + 2)))
        printf '%-8s in the demo the song repeats every %d video frames\n' "$player" "$repeats"
        if ((repeats != cycle)); then
            echo "FAIL: $player: the song repeats every $repeats frames, not every $cycle"
            status=1
        fi
    done
fi
exit $status
