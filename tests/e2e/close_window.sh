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
wait_dark "$win"
echo "bright fraction during the fade: $dark"
wait_exit 60
[[ "$exit_status" == 1 ]] || fail "exit status $exit_status after the close request"
echo "close: exit status 1"
