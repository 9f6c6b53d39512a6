#!/usr/bin/env bash
# A required picture missing: a message naming the file and the folder and saying how to start
# the demo, then exit status 1 without a window left behind, and nothing on standard output
# (no "IMG error" for the file that is not there).
source "$(dirname "$0")/lib.sh"
e2e_display

mkdir "$work/data"
cp "$DATA"/* "$work/data/"
rm "$work/data/logotype0.ppm"
start_demo "$work/data"
wait_exit 60
[[ "$exit_status" == 1 ]] || fail "exit status $exit_status"
cat "$work/stderr.txt"
grep -qF "could not read the picture \"logotype0.ppm\" in the folder $work/data" "$work/stderr.txt" ||
    fail "no message naming the file and the folder"
grep -qF "scripts/run.sh" "$work/stderr.txt" || fail "no word on how to start the demo"
[[ ! -s "$work/stdout.txt" ]] || fail "standard output: $(cat "$work/stdout.txt")"

# Started from another folder, the message names that folder.
start_demo "$work"
wait_exit 60
[[ "$exit_status" == 1 ]] || fail "exit status $exit_status"
grep -qF "could not read the picture \"K.ppm\" in the folder $work" "$work/stderr.txt" ||
    fail "no message for the wrong folder"
