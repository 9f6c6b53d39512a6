#!/usr/bin/env bash
# Memory stays flat over a long run: demo-render over one whole part cycle and over ten, with the
# peak resident size of each (GNU time), and the resident size sampled during the long run.
# Fails when ten cycles peak more than LIMIT KiB above one cycle, or when the resident size grows
# by more than LIMIT KiB between the first and the second half of the long run.
#
#   soak.sh DEMO_RENDER DATA_DIR [CYCLES (10)] [LIMIT_KIB (512)]
set -uo pipefail
render=$1 data=$2 cycles=${3:-10} limit=${4:-512}
cycle=4001
work=$(mktemp -d "${TMPDIR:-/tmp}/kapu-soak.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$data" || exit 1

peak_kib() {  # frames -> prints the peak resident size in KiB
  /usr/bin/time -f '%M' -o "$work/time.txt" "$render" -n "$1" --no-progress >/dev/null 2>"$work/err.txt" ||
    { echo "soak: demo-render -n $1 failed: $(cat "$work/err.txt")" >&2; exit 1; }
  cat "$work/time.txt"
}

one=$(peak_kib "$cycle") || exit 1

# The long run under GNU time as well, its resident size read from /proc every 0.05 s meanwhile.
/usr/bin/time -f '%M' -o "$work/time-long.txt" "$render" -n $((cycles * cycle)) --no-progress \
  >/dev/null 2>"$work/err.txt" &
timer=$!
pid=
for ((i = 0; i < 50; ++i)); do
  pid=$(pgrep -P "$timer" | head -1)
  [[ -n $pid ]] && break
  sleep 0.1
done
samples=()
while [[ -n $pid ]] && kill -0 "$pid" 2>/dev/null; do
  rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status" 2>/dev/null)
  [[ -n $rss ]] && samples+=("$rss")
  sleep 0.05
done
wait "$timer" || { echo "soak: demo-render over $cycles cycles failed: $(cat "$work/err.txt")" >&2; exit 1; }
many=$(cat "$work/time-long.txt")

n=${#samples[@]}
half=$((n / 2))
first_max=0 second_max=0
for ((i = 0; i < n; ++i)); do
  if ((i < half)); then ((samples[i] > first_max)) && first_max=${samples[i]}
  else ((samples[i] > second_max)) && second_max=${samples[i]}; fi
done

printf 'soak: peak resident size, 1 cycle (%d frames): %d KiB\n' "$cycle" "$one"
printf 'soak: peak resident size, %d cycles (%d frames): %d KiB (%+d KiB)\n' \
  "$cycles" $((cycles * cycle)) "$many" $((many - one))
printf 'soak: resident size sampled %d times in the long run: first half up to %d KiB, second half up to %d KiB\n' \
  "$n" "$first_max" "$second_max"
failed=0
if ((many - one > limit)); then
  echo "soak: FAIL: $cycles cycles peak $((many - one)) KiB above one cycle (limit $limit KiB)"
  failed=1
fi
if ((half > 0 && second_max - first_max > limit)); then
  echo "soak: FAIL: the resident size grew by $((second_max - first_max)) KiB during the run (limit $limit KiB)"
  failed=1
fi
((failed)) || echo "soak: memory flat"
exit "$failed"
