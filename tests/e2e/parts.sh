#!/usr/bin/env bash
# The window shows part 1, Space moves on to part 2 and part 3, Esc fades out and ends with 1.
source "$(dirname "$0")/lib.sh"
e2e_display

start_demo "$DATA"
win=$(wait_window)
[[ "$(xdotool getwindowname "$win")" == KAPU4417 ]] || fail "window title"
read -r w h < <(xwininfo -id "$win" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w, h}')
[[ "$w x $h" == "960 x 720" ]] || fail "window is $w x $h, not 320 x 240 scaled three times"

p1=$(shot "$win" part1)
[[ "$(part_of "$p1")" == 1 ]] || fail "part 1 does not show (red $(red_fraction "$p1"))"
echo "part 1: red fraction at the left edge $(red_fraction "$p1")"

# A press and release that both fall between two frames is never seen: allow more tries.
for hold in 0.035 0.05 0.1 0.2 0.3 0.5 0.8 1.2; do
    tap space "$hold"
    sleep 0.5
    seen=$(part_of "$(shot "$win" after-space)")
    [[ "$seen" != 1 ]] && break
done
[[ "$seen" == 2 || "$seen" == 3 ]] || fail "Space in part 1 shows part $seen"
goto_part "$win" 2
p2=$(shot "$win" part2)
b2=$(bright_fraction "$p2")
awk -v b="$b2" 'BEGIN { exit !(b > 0.002 && b < 0.4) }' || fail "part 2: bright fraction $b2"
echo "part 2: bright fraction $b2"

goto_part "$win" 3
p3=$(shot "$win" part3)
b3=$(bright_fraction "$p3")
echo "part 3: bright fraction $b3"

quit_with_escape
[[ "$exit_status" == 1 ]] || fail "exit status $exit_status after Esc"
grep -q 'Error\|Could not' "$work/stderr.txt" && fail "unexpected messages"
echo "Esc: exit status 1"
