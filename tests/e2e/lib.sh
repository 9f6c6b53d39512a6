# tests/e2e/lib.sh: what the end-to-end tests share: a virtual display of each test's own, the
# demo started in a data folder, keys held as a person would, screenshots read back as numbers.
# Sourced by each test; expects DEMO (the program), DATA (its data folder) and WM_CLOSE.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../support/x_display.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/kapu-e2e-XXXXXX")
demo_pid=
cleanup() {
    # The program ends before its display does (SIGTERM fades it out as Esc does).
    [[ -z "$demo_pid" ]] || end_process "$demo_pid"
    e2e_display_stop
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    for f in "$work"/stderr.txt; do [[ -f "$f" ]] && { echo "--- demo stderr:"; cat "$f"; } >&2; done
    [[ -n "$demo_pid" ]] && kill -0 "$demo_pid" 2>/dev/null && stuck_report >&2
    exit 1
}

# stuck_report: where a program that is still running waits: each thread's kernel wait, whether
# its display still answers, and the threads' stacks where gdb is at hand.
stuck_report() {
    local task
    echo "--- the program is still running; its threads wait in:"
    for task in /proc/"$demo_pid"/task/*; do
        echo "$(cat "$task/comm" 2>/dev/null): $(cat "$task/wchan" 2>/dev/null)"
    done
    if timeout 10 xdpyinfo >/dev/null 2>&1; then echo "its display answers"; else echo "its display does not answer"; fi
    command -v gdb >/dev/null || return 0
    timeout 60 gdb -batch -p "$demo_pid" -ex 'thread apply all bt 12' 2>/dev/null | grep -E '^(Thread|#)' || true
}

# e2e_display [SIZE [XVFB-ARGUMENT...]]: starts a virtual display of this test's own
# (x_display_start), its server's output in $work/xvfb.txt, and points DISPLAY at it.
e2e_display() {
    x_display_start "$work/xvfb.txt" "${1:-1280x1024}" "${@:2}" ||
        fail "the virtual display did not start: $(cat "$work/xvfb.txt")"
}

# e2e_display_stop: ends the virtual display and waits until its server has gone.
e2e_display_stop() { x_display_stop; }

# Sound goes to SDL's dummy output unless the test says otherwise; no sound server is asked.
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
export PULSE_SERVER=unix:/nonexistent

# start_demo FOLDER: runs the program in FOLDER, its output in $work/stdout.txt and stderr.txt.
start_demo() {
    (cd "$1" && exec "$DEMO" >"$work/stdout.txt" 2>"$work/stderr.txt") &
    demo_pid=$!
}

# wait_window: the id of the window titled KAPU4417 once it shows and takes the focus (60 s at
# most: a busy machine can be slow to start the program). The window of the first mode can show
# for a moment before the demo's mode replaces it: only a window still there half a second after
# it took the focus counts.
wait_window() {
    local id tries
    for ((tries = 0; tries < 300; ++tries)); do
        id=$(xdotool search --onlyvisible --name '^KAPU4417$' 2>/dev/null | tail -n 1) || true
        if [[ -n "$id" ]] && xdotool windowfocus --sync "$id" 2>/dev/null; then
            sleep 0.5
            if xwininfo -id "$id" >/dev/null 2>&1 &&
               [[ "$(xdotool search --onlyvisible --name '^KAPU4417$' 2>/dev/null | tail -n 1)" == "$id" ]]; then
                echo "$id"
                return 0
            fi
        fi
        kill -0 "$demo_pid" 2>/dev/null || fail "the program ended before its window showed"
        sleep 0.2
    done
    fail "no window titled KAPU4417"
}

# tap KEY [SECONDS]: holds the key about one frame (the demo samples a level once a frame).
tap() {
    xdotool keydown "$1" sleep "${2:-0.035}" keyup "$1"
}

# wait_exit SECONDS: sets exit_status to the program's exit status; fails when it is still
# running then. The bound only catches a program that hangs: the fade's 256 frames come slowly
# on a busy machine. (Not in a command substitution: only this shell can wait for its child.)
wait_exit() {
    local limit=$1 waited=0
    while kill -0 "$demo_pid" 2>/dev/null; do
        sleep 0.1
        waited=$((waited + 1))
        ((waited <= limit * 10)) || fail "still running ${limit} s later"
    done
    exit_status=0
    wait "$demo_pid" || exit_status=$?
    demo_pid=
}

# quit_with_escape: holds Esc until the program has ended (60 s at most) and sets exit_status.
# A tap could fall between two frames when frames come slowly, and the key level is read once
# a frame; held, it is seen, and the fade that follows reads no keys.
quit_with_escape() {
    xdotool keydown Escape
    wait_exit 60
    xdotool keyup Escape
}

# shot WINDOW NAME: a screenshot of the window, $work/NAME.png.
shot() {
    import -window "$1" "$work/$2.png"
    echo "$work/$2.png"
}

# Fractions of a picture's pixels: bright (HSB brightness above 15 %), and red (strong red,
# weak green and blue) in the left 40 columns, where part 1 shows its bars beside the logotype.
bright_fraction() {
    convert "$1" -colorspace HSB -channel B -separate +channel -threshold 15% -format '%[fx:mean]' info:
}
red_fraction() {
    convert "$1" -crop 40x720+0+0 +repage -fx 'r>0.5 && g<0.35 && b<0.35' -format '%[fx:mean]' info:
}

# part_of PICTURE: 1, 2 or 3 by what the picture shows, 0 when it looks like none of them.
#   part 1: red bars at the left edge (about half the picture is bright); part 2: mostly black
#   with stars; part 3: plasma everywhere but under its dark logotype (about 80 % bright).
part_of() {
    local bright red
    bright=$(bright_fraction "$1")
    red=$(red_fraction "$1")
    awk -v b="$bright" -v r="$red" 'BEGIN {
        if (r > 0.05) print 1; else if (b > 0.65) print 3; else if (b < 0.4) print 2; else print 0 }'
}

# goto_part WINDOW N: taps Space until the window shows part N. A tap shorter than a frame
# can go unseen and a longer one can skip more than one part (the key is still down in the next
# part's first frame), so the taps grow longer when the frames come slowly on a busy machine;
# goto_holds lists them (the Windows tests under Wine go up to a second).
goto_holds="0.035 0.035 0.05 0.05 0.08 0.08 0.12 0.12 0.2 0.2 0.3 0.3 0.5 0.5 0.8 0.8 1.2 1.2"
goto_part() {
    local hold part
    for hold in $goto_holds; do
        part=$(part_of "$(shot "$1" goto)")
        [[ "$part" == "$2" ]] && return 0
        tap space "$hold"
        sleep 0.3
    done
    fail "part $2 never showed (last seen: $part)"
}

# wait_dark WINDOW: sets dark to the window's bright fraction once it is below 5 % (the fade
# takes the picture to black in its first 128 frames and shows black for 128 more, so a dark
# shot comes before the end however slowly the frames come); fails when it never is.
wait_dark() {
    local b=
    for _ in $(seq 150); do
        b=$(bright_fraction "$(shot "$1" fading)") || break
        awk -v b="$b" 'BEGIN { exit !(b < 0.05) }' && { dark=$b; return 0; }
        sleep 0.2
    done
    fail "not fading: bright fraction ${b:-unknown}"
}

# check_launchers DIR DATA DESKTOP: starts DIR/kapu4417-window and DIR/kapu4417 from /, expects
# part 1 in the window, and Esc to end each with status 1 and nothing on standard error. Full
# screen takes the whole display only under a window manager, so only the window's picture is
# checked; the window's class and icon as check_window_identity says.
check_launchers() {
    local launcher
    for launcher in kapu4417-window kapu4417; do
        DEMO="$1/$launcher"
        start_demo /
        win=$(wait_window)
        sleep 1
        if [[ "$launcher" == kapu4417-window ]]; then
            [[ "$(part_of "$(shot "$win" "$launcher")")" == 1 ]] || fail "$launcher: part 1 does not show"
            check_window_identity "$win" "$2" "$3"
        fi
        quit_with_escape
        [[ "$exit_status" == 1 ]] || fail "$launcher: exit status $exit_status after Esc"
        [[ ! -s "$work/stderr.txt" ]] || fail "$launcher: $(cat "$work/stderr.txt")"
        echo "$launcher: started from /, Esc ends with 1"
    done
}

# check_window_identity WINDOW DATA DESKTOP: the window's class (both of its words) is the menu
# entry DESKTOP's StartupWMClass, so a desktop ties the window to the entry and its icon; and the
# window has an icon of its own, the letter K at the size the demo shows it (twice DATA/K.ppm).
check_window_identity() {
    local want class w h
    want=$(sed -n 's/^StartupWMClass=//p' "$3")
    [[ -n "$want" ]] || fail "$3 names no StartupWMClass"
    class=$(xprop -id "$1" WM_CLASS)
    [[ "$class" == "WM_CLASS(STRING) = \"$want\", \"$want\"" ]] || fail "window class: $class, not $want"
    xprop -id "$1" _NET_WM_ICON >"$work/icon.txt"
    read -r w h < <(identify -format '%w %h\n' "$2/K.ppm")
    grep -qF "Icon ($((2 * w)) x $((2 * h)))" "$work/icon.txt" ||
        fail "window icon: $(head -n 1 "$work/icon.txt"), not the K at $((2 * w)) x $((2 * h))"
    echo "window: class $want, the K as its icon"
}

# check_render_launcher DIR DATA: DIR/kapu4417-render started in an empty folder finds the data it
# was installed with: the checksums of a frame of each part and the echo equal those of RENDER
# (the build's demo-render) started in the data folder DATA; its outputs land in that empty
# folder, and it writes nothing on standard error.
check_render_launcher() {
    local run=(--no-progress -n 3002 -s 0,1500,3001)
    mkdir "$work/empty"
    (cd "$work/empty" && "$1/kapu4417-render" "${run[@]}" --sums sums.txt >"$work/echo.txt" \
        2>"$work/render-err.txt") || fail "kapu4417-render: $(cat "$work/render-err.txt")"
    (cd "$2" && "$RENDER" "${run[@]}" --sums "$work/want-sums.txt" >"$work/want-echo.txt") ||
        fail "demo-render in $2"
    cmp -s "$work/empty/sums.txt" "$work/want-sums.txt" ||
        fail "kapu4417-render's frames differ: $(cat "$work/empty/sums.txt")"
    cmp -s "$work/echo.txt" "$work/want-echo.txt" || fail "kapu4417-render's echo differs"
    [[ ! -s "$work/render-err.txt" ]] || fail "kapu4417-render: $(cat "$work/render-err.txt")"
    echo "kapu4417-render: from an empty folder, frames 0, 1500 and 3001 as the build makes them"
}

# check_installed_data DATA INSTALLED: every file of the data folder DATA (the ten pictures and
# the tune) is in the folder INSTALLED, byte for byte.
check_installed_data() {
    local f
    for f in "$1"/*; do
        cmp -s "$f" "$2/${f##*/}" || fail "$2/${f##*/} differs from the data folder or is missing"
    done
}
