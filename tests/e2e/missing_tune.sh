#!/usr/bin/env bash
# No tune: one "Error loading" line on standard error, and the demo runs on in silence.
source "$(dirname "$0")/lib.sh"
e2e_display

mkdir "$work/data"
cp "$DATA"/* "$work/data/"
rm "$work/data/quenFalox.xm"
start_demo "$work/data"
win=$(wait_window)
sleep 1
[[ "$(part_of "$(shot "$win" part1)")" == 1 ]] || fail "part 1 does not show"
goto_part "$win" 2
quit_with_escape
[[ "$exit_status" == 1 ]] || fail "exit status $exit_status"
cat "$work/stderr.txt"
[[ "$(cat "$work/stderr.txt")" == "Error loading: Could not open requested file" ]] ||
    fail "standard error is not the one line"
