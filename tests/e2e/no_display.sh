#!/usr/bin/env bash
# No display at all: a message on standard error and exit status 1, never a crash.
source "$(dirname "$0")/lib.sh"

for driver in "" x11 no-such-driver; do
    (unset DISPLAY WAYLAND_DISPLAY; export SDL_VIDEODRIVER="$driver"
     [[ -n "$driver" ]] || unset SDL_VIDEODRIVER
     cd "$DATA" && exec "$DEMO" >"$work/stdout.txt" 2>"$work/stderr.txt") &
    demo_pid=$!
    wait_exit 60
    echo "video driver '${driver}': status $exit_status: $(cat "$work/stderr.txt")"
    [[ "$exit_status" == 1 ]] || fail "exit status $exit_status"
    grep -q "could not open a 320 x 240 video surface" "$work/stderr.txt" || fail "no message"
done
