#!/usr/bin/env bash
# No sound device (SDL's ALSA output on a machine without a card): the two messages, no tune
# loaded, and the demo runs on in silence until Esc.
source "$(dirname "$0")/lib.sh"
export SDL_AUDIODRIVER=alsa
e2e_display

start_demo "$DATA"
win=$(wait_window)
sleep 1
grep -q "Could not initialize sound" "$work/stderr.txt" || {
    echo "this machine has a sound device: nothing to test"
    quit_with_escape
    exit 0
}
[[ "$(part_of "$(shot "$win" part1)")" == 1 ]] || fail "part 1 does not show"
quit_with_escape
[[ "$exit_status" == 1 ]] || fail "exit status $exit_status"
cat "$work/stderr.txt"
grep -q "^Reason: " "$work/stderr.txt" || fail "no reason given"
grep -q "Error loading" "$work/stderr.txt" && fail "a tune was loaded after the failed start"
true
