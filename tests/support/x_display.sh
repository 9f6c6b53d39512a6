# tests/support/x_display.sh: a virtual display of the caller's own, sourced by the tests that
# need one. Xvfb takes a display number that no server holds, a closing one included, and writes
# it to the -displayfd descriptor once it accepts connections: the caller waits for that line,
# however long the server takes on a busy machine, and fails only when the server ends without one.
# The server never resets: by default an X server resets when its last client leaves and drops a
# client that connects meanwhile, and the tests' own short-lived clients (xdotool, xprop, import)
# come and go around the program under test.

# x_display_start LOG [SIZE [XVFB-ARGUMENT...]]: starts Xvfb at SIZE (1280x1024 by default, 24
# bits) with the further arguments, its output in LOG; sets DISPLAY and x_display_pid. Status 1
# when the server ended without a display.
x_display_start() {
    local log=$1 size=${2:-1280x1024} fifo number=
    shift $(($# < 2 ? $# : 2))
    fifo=$(mktemp -u "${TMPDIR:-/tmp}/kapu-displayfd.XXXXXX")
    mkfifo "$fifo" || return 1
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset "$@" 3>"$fifo" >"$log" 2>&1 &
    x_display_pid=$!
    read -r number <"$fifo" || true
    rm -f "$fifo"
    if [[ "$number" =~ ^[0-9]+$ ]]; then
        export DISPLAY=":$number"
        return 0
    fi
    x_display_stop
    return 1
}

# x_display_stop: ends the display and waits until its server has gone.
x_display_stop() {
    if [[ -n "${x_display_pid:-}" ]]; then
        end_process "$x_display_pid"
        x_display_pid=
    fi
}

# end_process PID: asks this shell's child PID to end (SIGTERM) and waits for it; one still
# running 30 s later is stuck, and is killed, so that a test still ends with its own report.
end_process() {
    kill "$1" 2>/dev/null || true  # it may have ended already
    for _ in $(seq 300); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}
