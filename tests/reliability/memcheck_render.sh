#!/usr/bin/env bash
# demo-render under valgrind's memcheck over one whole part cycle (4001 frames), with the tune
# rendered too, so the music glue and libmikmod run as well: no memory error, and no block
# definitely or indirectly lost. Blocks still reachable at the end are allowed (the part-1
# logotype, the colour list, the starfield and the plasma palette stay until the process ends).
#
#   memcheck_render.sh DEMO_RENDER DATA_DIR SUPPRESSIONS [FRAMES (4001)]
# Exit 77 (skipped) when there is no valgrind.
set -uo pipefail
render=$1 data=$2 supp=$3 frames=${4:-4001}
command -v valgrind >/dev/null || { echo "memcheck: valgrind not found, skipped"; exit 77; }
work=$(mktemp -d "${TMPDIR:-/tmp}/kapu-memcheck.XXXXXX")
trap 'rm -rf "$work"' EXIT
log="$work/valgrind.txt"

(cd "$data" && exec valgrind --leak-check=full --show-leak-kinds=definite,indirect \
  --errors-for-leak-kinds=definite,indirect --error-exitcode=99 --suppressions="$supp" \
  --log-file="$log" "$render" -n "$frames" --no-progress -w "$work/sound.wav" >"$work/stdout.txt" 2>"$work/stderr.txt")
status=$?

errors=$(grep -oE 'ERROR SUMMARY: [0-9]+' "$log" | grep -oE '[0-9]+$')
definite=$(grep -oE 'definitely lost: [0-9,]+ bytes' "$log" | grep -oE '[0-9,]+' | tr -d ,)
indirect=$(grep -oE 'indirectly lost: [0-9,]+ bytes' "$log" | grep -oE '[0-9,]+' | tr -d ,)
echo "memcheck: demo-render over $frames frames with the tune; exit status $status"
grep -E 'in use at exit|total heap usage|definitely lost|indirectly lost|possibly lost|still reachable|suppressed:|ERROR SUMMARY' "$log" |
  sed 's/^==[0-9]*== */memcheck:   /'
if [[ $status != 0 || ${errors:-x} != 0 || ${definite:-0} != 0 || ${indirect:-0} != 0 ]]; then
  echo "memcheck: FAIL (expected status 0, 0 errors, 0 bytes definitely or indirectly lost)"
  cat "$work/stderr.txt"
  grep -vE '^==[0-9]+== *$' "$log" | head -200
  exit 1
fi
echo "memcheck: demo-render clean"
