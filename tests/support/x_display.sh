# tests/support/x_display.sh: a virtual display of the caller's own, sourced by the tests that
# need one. Xvfb takes a display number that no server holds, a closing one included, and writes
# it to the -displayfd descriptor once it accepts connections: the caller waits for that line,
# however long the server takes on a busy machine, and fails only when the server ends without one.

# x_display_start LOG [SIZE]: starts Xvfb at SIZE (1280x1024 by default, 24 bits), its output in
# LOG; sets DISPLAY and x_display_pid. A client must then connect at once: a display that takes
# none (a server starting on the same number at the same moment can unlink the socket file of
# ours) is given up for a new server, three times at most. Status 1 when no display came.
x_display_start() {
    local fifo number attempt
    for attempt in 1 2 3; do
        number=
        fifo=$(mktemp -u "${TMPDIR:-/tmp}/kapu-displayfd.XXXXXX")
        mkfifo "$fifo" || return 1
        Xvfb -displayfd 3 -screen 0 "${2:-1280x1024}x24" -nolisten tcp 3>"$fifo" >"$1" 2>&1 &
        x_display_pid=$!
        read -r number <"$fifo" || true
        rm -f "$fifo"
        if [[ "$number" =~ ^[0-9]+$ ]] && xdpyinfo -display ":$number" >/dev/null 2>&1; then
            export DISPLAY=":$number"
            return 0
        fi
        x_display_stop
    done
    return 1
}

# x_display_stop: ends the display and waits until its server has gone.
x_display_stop() {
    if [[ -n "${x_display_pid:-}" ]]; then
        kill "$x_display_pid" 2>/dev/null || true
        wait "$x_display_pid" 2>/dev/null || true
        x_display_pid=
    fi
}
