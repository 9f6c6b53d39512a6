#!/usr/bin/env bash
# demo-window alone on a display: from its first connection to the display until it ends, it
# always keeps one open. An X server resets when its last client leaves and drops a client that
# connects meanwhile, so a program that let go of the display on its way to opening its window
# (to read the desktop's work area, say) would fail at random where it is the only one. The
# server's audit log tells each connection with the process that made it.
source "$(dirname "$0")/lib.sh"
e2e_display 1280x1024 -audit 4

start_demo "$DATA"
pid=$demo_pid
win=$(wait_window)
quit_with_escape
[[ "$exit_status" == 1 ]] || fail "exit status $exit_status"
# The program's connections in the order the server saw them: "client N connected ... pid=P )"
# and "client N disconnected" (numbers are reused once free).
awk -v pid="$pid" '
    match($0, / client [0-9]+ /) { id = substr($0, RSTART + 8, RLENGTH - 9) }
    / connected from / && index($0, " pid=" pid " ") {
        if (count && !open) { print "connected again after leaving the display without a client"; bad = 1 }
        mine[id] = 1; ++open; ++count }
    / disconnected/ && (id in mine) { delete mine[id]; --open }
    END { if (bad || !count) exit 1; print count " connections, always one open until the end" }' \
    "$work/xvfb.txt" || fail "$(grep -F AUDIT "$work/xvfb.txt")"
