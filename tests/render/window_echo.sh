#!/usr/bin/env bash
# The scroller's echo of the live program equals the start of demo-render's: runs demo-window
# under a virtual display (or SDL's dummy video driver when there is none) until it has written
# some characters, then compares them with demo-render's echo of a longer run.
# Usage: window_echo.sh DEMO_WINDOW DEMO_RENDER DATA_DIR. Exit 77 when it cannot run here.
set -uo pipefail
window=$1 render=$2 data=$3
want_chars=${KAPU_ECHO_CHARS:-24}
limit_s=${KAPU_ECHO_SECONDS:-120}

work=$(mktemp -d)
pid=
cleanup() {
  # Only the process group started below.
  [[ -n $pid ]] && kill -TERM -- "-$pid" 2>/dev/null
  [[ -n $pid ]] && wait "$pid" 2>/dev/null
  x_display_stop
  rm -rf "$work"
}
trap cleanup EXIT
source "$(dirname "${BASH_SOURCE[0]}")/../support/x_display.sh"

(cd "$data" && "$render" -n 12000 >"$work/render.txt") || { echo "demo-render failed"; exit 1; }

cd "$data" || exit 1
if command -v Xvfb >/dev/null; then
  x_display_start "$work/xvfb.txt" 640x480 || { echo "Xvfb did not start:"; cat "$work/xvfb.txt"; exit 1; }
  setsid env SDL_VIDEODRIVER=x11 "$window" >"$work/window.txt" 2>"$work/window.err" &
else
  setsid "$window" >"$work/window.txt" 2>"$work/window.err" &
fi
pid=$!

# Part 1 lasts 1001 frames (about 17 s at 60 frames per second) before the text starts.
for ((waited = 0; waited < limit_s; ++waited)); do
  sleep 1
  (($(wc -c <"$work/window.txt") >= want_chars)) && break
  kill -0 "$pid" 2>/dev/null || break
done
kill -TERM -- "-$pid" 2>/dev/null
wait "$pid" 2>/dev/null
pid=

got=$(wc -c <"$work/window.txt")
if ((got == 0)); then
  echo "demo-window wrote nothing in ${waited} s; its standard error:"
  cat "$work/window.err"
  exit 1
fi
if ! cmp -s -n "$got" "$work/window.txt" "$work/render.txt"; then
  echo "demo-window's echo differs from demo-render's within its first $got characters:"
  echo "--- demo-window"; od -c "$work/window.txt" | head -20
  echo "--- demo-render"; head -c "$got" "$work/render.txt" | od -c | head -20
  exit 1
fi
echo "demo-window's first $got characters equal demo-render's"
