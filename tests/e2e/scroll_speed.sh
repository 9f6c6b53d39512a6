#!/usr/bin/env bash
# '9' in part 2 makes the scroller move 4 pixels a frame: at 60 frames a second and 16-pixel
# character slots, its text reaches standard output at 15 characters a second.
source "$(dirname "$0")/lib.sh"
e2e_display

start_demo "$DATA"
win=$(wait_window)
goto_part "$win" 2
tap 9 0.05
sleep 1
chars() { wc -c <"$work/stdout.txt"; }
t0=$(date +%s.%N); c0=$(chars)
sleep 6
t1=$(date +%s.%N); c1=$(chars)
[[ "$(part_of "$(shot "$win" still2)")" == 2 ]] || fail "part 2 ended during the measurement"
rate=$(awk -v c0="$c0" -v c1="$c1" -v t0="$t0" -v t1="$t1" 'BEGIN { printf "%.2f", (c1 - c0) / (t1 - t0) }')
echo "scroller echo: $rate characters per second (want 15 within 10 %)"
awk -v r="$rate" 'BEGIN { exit !(r >= 13.5 && r <= 16.5) }' || fail "echo rate $rate per second"
tail -c 60 "$work/stdout.txt"; echo
tap Escape 0.2
wait_exit 6
[[ "$exit_status" == 1 ]] || fail "exit status $exit_status"
