#!/usr/bin/env bash
# Closing the window (what a window manager sends for the close button or Alt-F4) ends the demo
# as Esc does: the fade to black, then exit status 1.
source "$(dirname "$0")/lib.sh"
e2e_display

start_demo "$DATA"
win=$(wait_window)
[[ "$(part_of "$(shot "$win" part1)")" == 1 ]] || fail "part 1 does not show"
"$WM_CLOSE" "$win"
sleep 0.5
kill -0 "$demo_pid" 2>/dev/null || fail "ended at once, without the fade"
# The fade takes the picture to black in its first 128 frames and shows black for 128 more, so
# a dark shot comes before the end however slowly the frames come on a busy machine.
b=
for _ in $(seq 150); do
    b=$(bright_fraction "$(shot "$win" fading)") || break
    awk -v b="$b" 'BEGIN { exit !(b < 0.05) }' && break
    b="$b (still bright)"
    sleep 0.2
done
echo "bright fraction during the fade: $b"
[[ -n $b && $b != *bright* ]] || fail "not fading: bright fraction $b"
wait_exit 60
[[ "$exit_status" == 1 ]] || fail "exit status $exit_status after the close request"
echo "close: exit status 1"
