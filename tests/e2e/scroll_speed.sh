#!/usr/bin/env bash
# The speed keys in part 2 reach the scroller, whose text reaches standard output as characters
# leave the screen: after '0' it stands still and no character comes, after '9' (4 pixels a
# frame) they come again. How many come in a second depends on how fast the machine makes the
# frames, so the count is only shown (15 a second at 60 frames a second); the speed each key
# sets is checked frame by frame by demo-render's tests.
source "$(dirname "$0")/lib.sh"
e2e_display

start_demo "$DATA"
win=$(wait_window)
goto_part "$win" 2
chars() { wc -c <"$work/stdout.txt"; }
# The keys are held for frames that come slowly: each sets a speed, whatever it was before.
tap 0 0.5
sleep 0.5
c0=$(chars)
sleep 2
stopped=$(($(chars) - c0))
tap 9 0.5
c0=$(chars)
t0=$(date +%s.%N)
for _ in $(seq 300); do  # 30 s at most, however slowly the frames come
    (($(chars) - c0 >= 5)) && break
    sleep 0.1
done
t1=$(date +%s.%N)
moving=$(($(chars) - c0))
[[ "$(part_of "$(shot "$win" still2)")" == 2 ]] || fail "part 2 ended during the measurement"
rate=$(awk -v c="$moving" -v t0="$t0" -v t1="$t1" 'BEGIN { printf "%.1f", c / (t1 - t0) }')
echo "scroller echo: $stopped characters in 2 s after '0'; after '9' $moving, $rate a second"
((stopped <= 1)) || fail "$stopped characters after '0': the scroller did not stop"
((moving >= 5)) || fail "only $moving characters in 30 s after '9': the scroller did not move on"
tail -c 60 "$work/stdout.txt"; echo
quit_with_escape
[[ "$exit_status" == 1 ]] || fail "exit status $exit_status"
