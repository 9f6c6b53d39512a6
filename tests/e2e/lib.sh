# tests/e2e/lib.sh: what the end-to-end tests share: a virtual display, the demo started in a
# data folder, keys held as a person would, screenshots read back as numbers.
# Sourced by each test; expects DEMO (the program), DATA (its data folder) and WM_CLOSE.
set -euo pipefail

# Every test runs on a display of its own: re-run this script under xvfb-run when needed.
e2e_display() {
    if [[ -z "${KAPU_E2E_DISPLAY:-}" ]]; then
        export KAPU_E2E_DISPLAY=1
        exec xvfb-run -a -s '-screen 0 1280x1024x24' "$BASH" "$0" "$@"
    fi
}

work=$(mktemp -d "${TMPDIR:-/tmp}/kapu-e2e-XXXXXX")
demo_pid=
cleanup() {
    if [[ -n "$demo_pid" ]] && kill -0 "$demo_pid" 2>/dev/null; then kill "$demo_pid"; fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    for f in "$work"/stderr.txt; do [[ -f "$f" ]] && { echo "--- demo stderr:"; cat "$f"; } >&2; done
    exit 1
}

# Sound goes to SDL's dummy output unless the test says otherwise; no sound server is asked.
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
export PULSE_SERVER=unix:/nonexistent

# start_demo FOLDER: runs the program in FOLDER, its output in $work/stdout.txt and stderr.txt.
start_demo() {
    (cd "$1" && exec "$DEMO" >"$work/stdout.txt" 2>"$work/stderr.txt") &
    demo_pid=$!
}

# wait_window: the id of the window titled KAPU4417, once it shows (10 s at most).
wait_window() {
    local id
    id=$(timeout 10 xdotool search --sync --name '^KAPU4417$' | head -1) || fail "no window titled KAPU4417"
    xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id"
    sleep 0.5
    echo "$id"
}

# tap KEY [SECONDS]: holds the key about one frame (the demo samples a level once a frame).
tap() {
    xdotool keydown "$1" sleep "${2:-0.035}" keyup "$1"
}

# wait_exit SECONDS: sets exit_status to the program's exit status; fails when it is still
# running then. (Not in a command substitution: only this shell can wait for its child.)
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
#   part 1: red bars at the left edge; part 2: mostly black with stars; part 3: plasma everywhere.
part_of() {
    local bright red
    bright=$(bright_fraction "$1")
    red=$(red_fraction "$1")
    awk -v b="$bright" -v r="$red" 'BEGIN {
        if (b > 0.8) print 3; else if (r > 0.05) print 1; else if (b < 0.4) print 2; else print 0 }'
}

# goto_part WINDOW N: taps Space until the window shows part N. A tap shorter than a frame
# can go unseen and a longer one can skip more than one part (the key is still down in the next
# part's first frame), so the taps grow longer when the frames come slowly on a busy machine;
# goto_holds lists them (the Windows tests under Wine go up to a second).
goto_holds="0.035 0.035 0.05 0.05 0.08 0.08 0.12 0.12 0.2 0.2 0.3 0.3"
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
    for _ in $(seq 40); do
        b=$(bright_fraction "$(shot "$1" fading)") || break
        awk -v b="$b" 'BEGIN { exit !(b < 0.05) }' && { dark=$b; return 0; }
        sleep 0.2
    done
    fail "not fading: bright fraction ${b:-unknown}"
}

# check_launchers DIR: starts DIR/kapu4417-window and DIR/kapu4417 from /, expects part 1 in the
# window, and Esc to end each with status 1 and nothing on standard error. Full screen takes the
# whole display only under a window manager, so only the window's picture is checked.
check_launchers() {
    local launcher
    for launcher in kapu4417-window kapu4417; do
        DEMO="$1/$launcher"
        start_demo /
        win=$(wait_window)
        sleep 1
        if [[ "$launcher" == kapu4417-window ]]; then
            [[ "$(part_of "$(shot "$win" "$launcher")")" == 1 ]] || fail "$launcher: part 1 does not show"
        fi
        tap Escape 0.2
        wait_exit 6
        [[ "$exit_status" == 1 ]] || fail "$launcher: exit status $exit_status after Esc"
        [[ ! -s "$work/stderr.txt" ]] || fail "$launcher: $(cat "$work/stderr.txt")"
        echo "$launcher: started from /, Esc ends with 1"
    done
}

# check_installed_data DATA INSTALLED: every file of the data folder DATA (the ten pictures and
# the tune) is in the folder INSTALLED, byte for byte.
check_installed_data() {
    local f
    for f in "$1"/*; do
        cmp -s "$f" "$2/${f##*/}" || fail "$2/${f##*/} differs from the data folder or is missing"
    done
}
