#!/usr/bin/env bash
# demo-window under valgrind's memcheck on a virtual X display, from its start to a scripted Esc:
# it must end with the demo's status 1, no memory error, and no block definitely or indirectly
# lost. Blocks still reachable at the end are allowed (the part-1 logotype, the colour list, the
# starfield and the plasma palette stay until the process ends, as do the libraries' own).
#
#   memcheck_window.sh DEMO_WINDOW DATA_DIR SUPPRESSIONS [SECONDS_BEFORE_ESC (8)]
# Exit 77 (skipped) when there is no valgrind, Xvfb or xdotool.
set -uo pipefail
window=$1 data=$2 supp=$3 run_s=${4:-8}
for tool in valgrind Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "memcheck: $tool not found, skipped"; exit 77; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/kapu-memcheck.XXXXXX")
pid=
cleanup() {
  [[ -n $pid ]] && kill "$pid" 2>/dev/null
  x_display_stop
  rm -rf "$work"
}
trap cleanup EXIT
source "$(dirname "${BASH_SOURCE[0]}")/../support/x_display.sh"
x_display_start "$work/xvfb.txt" || { echo "Xvfb did not start:"; cat "$work/xvfb.txt"; exit 1; }
export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy PULSE_SERVER=unix:/nonexistent
# SDL's own software renderer, at the demo's size: no GL driver (whose JIT makes memcheck crawl
# and whose blocks would fill the report) and no scaling work per frame.
export SDL_RENDER_DRIVER=software SDL12COMPAT_OPENGL_SCALING=0 SDL12COMPAT_WINDOW_SCALING=1 \
  SDL12COMPAT_SYNC_TO_VBLANK=0

(cd "$data" && exec valgrind --leak-check=full --show-leak-kinds=definite,indirect \
  --errors-for-leak-kinds=definite,indirect --error-exitcode=99 --suppressions="$supp" \
  --log-file="$work/valgrind.%p.txt" "$window" >"$work/stdout.txt" 2>"$work/stderr.txt") &
pid=$!

id=$(timeout 120 xdotool search --sync --name '^KAPU4417$' | head -1)
if [[ -z $id ]]; then
  echo "memcheck: no window titled KAPU4417 within 120 s"; cat "$work/stderr.txt"; exit 1
fi
sleep "$run_s"
xdotool windowfocus "$id" 2>/dev/null
# Held for a while: under valgrind a frame takes much longer than at full speed, and the demo
# reads the key state once a frame.
xdotool keydown Escape sleep 1 keyup Escape
status=
for ((waited = 0; waited < 1800; ++waited)); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  echo "memcheck: demo-window still running 180 s after Esc"; exit 1
fi
wait "$pid"
status=$?
# The demo's own log: a process forked by a library logs to a file of its own.
log="$work/valgrind.$pid.txt"
pid=

errors=$(grep -oE 'ERROR SUMMARY: [0-9]+' "$log" | grep -oE '[0-9]+$')
definite=$(grep -oE 'definitely lost: [0-9,]+ bytes' "$log" | grep -oE '[0-9,]+' | tr -d ,)
indirect=$(grep -oE 'indirectly lost: [0-9,]+ bytes' "$log" | grep -oE '[0-9,]+' | tr -d ,)
echo "memcheck: demo-window ran ${run_s} s, then Esc; exit status $status"
grep -E 'in use at exit|total heap usage|definitely lost|indirectly lost|possibly lost|still reachable|suppressed:|ERROR SUMMARY' "$log" |
  sed 's/^==[0-9]*== */memcheck:   /'
if [[ $status != 1 || ${errors:-x} != 0 || ${definite:-0} != 0 || ${indirect:-0} != 0 ]]; then
  echo "memcheck: FAIL (expected status 1, 0 errors, 0 bytes definitely or indirectly lost)"
  grep -vE '^==[0-9]+== *$' "$log" | head -200
  exit 1
fi
echo "memcheck: demo-window clean"
